# The Rilo dialog in the stand-in's window (standin --gui): opened from the
# Tools menu and driven as a user would through the dialog's table of user
# actions (tests/script/driving.tcl), with the live preview switched off so
# that OK and Apply run the command, which moves the strip after each row
# as a call of its own would; then what only the window shows.
source [file join [file dirname [info script]] lib.tcl]
windows_under_test

# Every call of pjtrilo_go, recorded before the command runs.
set calls {}
rename pjtrilo_go real_pjtrilo_go
proc pjtrilo_go {args} {
    lappend ::calls $args
    real_pjtrilo_go {*}$args
}

set top .rilo
set wave $top.f.wave
set buttons $top.f.buttons
set canvas $top.f.sketch.canvas

proc set_entry {entry text} {
    $entry delete 0 end
    $entry insert 0 $text
    update
}

# The strip: five vertices a quarter unit apart along X, selected.
fresh
set strip_start {0 0 0 0.25 0 0 0.5 0 0 0.75 0 0 1 0 0}
set strip [standin object strip]
standin vertex $strip {*}$strip_start
standin select objects strip
update

# The strip's coordinates after calling the command itself with PARAMETERS
# on a copy of the strip as it started.
proc direct_result {parameters} {
    set id [standin object twin]
    standin vertex $id {*}$::strip_start
    standin select objects twin
    real_pjtrilo_go {*}$parameters
    set result [standin get $id]
    standin undo
    standin select objects strip
    return $result
}

# After a row: an undo step for each call, the strip where the call alone
# leaves it (with a random phase: moved along the amplitude's axis, by no
# more than the amplitude); the steps undone.
proc waved {name made} {
    set moved [standin get $::strip]
    set steps [standin history]
    foreach call $made {
        standin undo
    }
    settle
    lassign [lindex $made end] - axis - amplitude offset
    if {$steps ne [lrepeat [llength $made] rilo] || [standin get $::strip] ne $::strip_start} {
        return "steps: $steps"
    } elseif {$offset ne "random"} {
        return [expr {[llength $made] && $moved ne [direct_result [lindex $made end]] ? "moved to $moved" : ""}]
    }
    set along [lsearch {x y z} $axis]
    set i 0
    foreach p $::strip_start q $moved {
        if {abs($q - $p) > ($i % 3 == $along ? abs($amplitude) + 1e-6 : 0)} {
            return "moved to $moved"
        }
        incr i
    }
}

proc select_in_host {what} {
    standin select {*}[expr {$what eq "none" ? "none" : "objects $what"}]
}

# OK and Apply run the command, not a live preview of it kept.
.status.live invoke

test gui-tools-menu {the Tools menu lists the registered entries and opens the dialog} {
    set shown {}
    for {set i 0} {$i <= [.menubar.tools index end]} {incr i} {
        lappend shown [.menubar.tools entrycget $i -label]
    }
    list [expr {$shown eq [lmap item [standin menu list] {lindex $item 0}]}] [open_dialog]
} {1 1}

test gui-second-invocation {a second invocation raises the open dialog and opens no other} {
    toplevel .cover
    raise .cover
    update
    .menubar.tools invoke Rilo...
    update
    set order [wm stackorder .]
    destroy .cover
    list [lindex $order end] [llength [lsearch -all -glob [winfo children .] .rilo*]]
} {.rilo 1}

test gui-rows {each row of the dialog's table makes its calls and shows what it says; the command moves the strip} {
    run_rows waved
} {}

# Typed numbers that Tcl's own reading would change (octal, hexadecimal,
# digit separators, leading zeros): sent as typed, with the note and the
# command's trace agreeing on what they read as.
test gui-numbers-as-typed {numbers go as typed; the note and the trace read them alike} {
    open_dialog
    set ::rilo::ui(random) 0
    foreach field {frequency amplitude offset} {
        set_entry $wave.$field 1
    }
    set wrong {}
    foreach {field text sent note trace} {
        frequency 1_000    1_000 {reads as 1} {Frequency = 1}
        frequency 0x10     0x10  {reads as 0} {Frequency = 0}
        amplitude 010      010   {}           {Amplitude = 10}
        offset    010      010   {}           {Offset = 0.1}
        offset    0x10     0x10  {reads as 0} {Offset = 0}
        offset    " 0025 " 0025  {}           {Offset = 0.25}
    } {
        type_into $wave.$field $text
        standin debug clear
        $buttons.apply invoke
        standin undo
        set got [list [lindex $calls end [lsearch {- - frequency amplitude offset} $field]] \
            [$wave.${field}_note cget -text]]
        if {$got ne [list $sent $note] || $trace ni [split [standin debug] \n]} {
            lappend wrong "$field \"$text\": $got"
        }
        set_entry $wave.$field 1
    }
    set wrong
} {}

# How often the sketched wave crosses the middle of its own height.
proc crossings {} {
    set ys [lmap {x y} [$::canvas coords wave] {set y}]
    set mid [expr {([tcl::mathfunc::min {*}$ys] + [tcl::mathfunc::max {*}$ys]) / 2.0}]
    set count 0
    set previous ""
    foreach y $ys {
        if {abs($y - $mid) < 0.5} continue
        set side [expr {$y > $mid}]
        if {$previous ne "" && $side != $previous} {
            incr count
        }
        set previous $side
    }
    return $count
}

test gui-sketch {the sketch follows the values} {
    $wave.across invoke
    set_entry $wave.offset 25
    set counts {}
    foreach frequency {1 3} {
        set_entry $wave.frequency $frequency
        lappend counts [crossings]
    }
    set_entry $wave.amplitude 1
    set up [$canvas coords wave]
    set_entry $wave.amplitude -1
    set down [$canvas coords wave]
    set ys [lmap {x y} $up {set y}]
    set mid [expr {([tcl::mathfunc::min {*}$ys] + [tcl::mathfunc::max {*}$ys]) / 2.0}]
    set mirrored [expr {[llength $up] == [llength $down]}]
    foreach {x y} $up {x2 y2} $down {
        if {$x2 != $x || abs(($y - $mid) + ($y2 - $mid)) > 0.01} {
            set mirrored 0
        }
    }
    set_entry $wave.frequency x
    set without [$canvas find withtag wave]
    set_entry $wave.frequency 1
    set_entry $wave.amplitude 1
    list $counts $mirrored $without
} {{2 6} 1 {}}

# Dismisses the message box once it shows, keeping its text in ::dismissed.
proc dismiss {tries} {
    foreach box [list $::top.__tk__messagebox .__tk__messagebox] {
        if {[winfo exists $box]} {
            set ::dismissed [$box.msg cget -text]
            $box.ok invoke
            return
        }
    }
    if {$tries > 0} {
        after 20 [list dismiss [expr {$tries - 1}]]
    }
}

test gui-messages {messages are recorded and shown in a window, or in a box that waits} {
    standin messages clear
    open_dialog
    # A phase too large for single precision once scaled to the selection.
    $wave.across invoke
    foreach field {frequency offset} {
        set_entry $wave.$field 1e30
    }
    $buttons.apply invoke
    update
    set window [.message.f.text cget -text]
    destroy .message
    set ::standin::gui::modal_messages 1
    set ::dismissed ""
    after 20 {dismiss 250}
    $buttons.apply invoke
    set ::standin::gui::modal_messages 0
    list [standin messages] $window $::dismissed
} [list [lrepeat 2 {rilo : the wave would take coordinates out of range}] \
        {rilo : the wave would take coordinates out of range} {rilo : the wave would take coordinates out of range}]

test gui-keyboard {Tab visits only the controls, in reading order; each Alt key reaches its control} {
    foreach {field value} {frequency 1 offset 0} {
        set_entry $wave.$field $value
    }
    focus -force $wave.frequency
    update
    set order {}
    for {set i 0} {$i < 40} {incr i} {
        event generate [focus] <Tab>
        update
        if {[focus] eq "$wave.frequency"} break
        lappend order [string range [focus] [string length $top.f.] end]
    }
    set wrong {}
    foreach {key widget variable value} {
        f axes.freq_x {} {}  l axes.amp_y {} {}  q wave.frequency {} {}  m wave.amplitude {} {}
        o wave.offset {} {}  s wave.across freq_units 0  u wave.per_unit freq_units 1
        r wave.random random 1  R wave.random random 0  v shape.curve additive 0
        D shape.additive additive 1
    } {
        event generate [focus] <Alt-Key-$key>
        update
        if {[focus] ne "$top.f.$widget" || ($variable ne "" && $::rilo::ui($variable) != $value)} {
            lappend wrong $key
        }
    }
    set count [llength $calls]
    event generate [focus] <Alt-Key-a>
    update
    standin undo
    set applied [expr {[llength $calls] - $count}]
    event generate [focus] <Alt-Key-c>
    update
    set closed [expr {![winfo exists $top]}]
    open_dialog
    list $order $wrong $applied $closed
} {{wave.per_unit wave.across wave.amplitude wave.offset wave.random shape.additive shape.curve buttons.ok buttons.cancel buttons.apply axes.freq_x axes.freq_y axes.freq_z axes.amp_x axes.amp_y axes.amp_z} {} 1 1}

test gui-help {the help line explains the control under the pointer} {
    event generate $wave.amplitude <Enter>
    set over [$top.f.help cget -text]
    event generate $wave.amplitude <Leave>
    set away [$top.f.help cget -text]
    act {key Escape}
    list [expr {$over ne $away}] [expr {$over ne ""}]
} {1 1}

finish
