# The Rilo dialog in the stand-in's window (standin --gui): opened from the
# Tools menu and driven as a user would, with the parameters pjtrilo_go
# receives and the vertices it moves checked after each action.
source [file join [file dirname [info script]] lib.tcl]
windows_under_test

source [file join [file dirname [info script]] .. script driving.tcl]

# Every call of pjtrilo_go, recorded before the command runs.
set calls {}
rename pjtrilo_go real_pjtrilo_go
proc pjtrilo_go {args} {
    lappend ::calls $args
    real_pjtrilo_go {*}$args
}

set top .rilo
set axes $top.f.axes
set wave $top.f.wave
set shape $top.f.shape
set buttons $top.f.buttons
set canvas $top.f.sketch.canvas

proc open_dialog {} {
    .menubar.tools invoke Rilo...
    wait_until {[winfo exists $::top] && [winfo viewable $::top]}
}

proc set_entry {entry text} {
    $entry delete 0 end
    $entry insert 0 $text
    update
}

proc press {key} {
    focus -force $::wave.frequency
    update
    event generate $::wave.frequency <$key>
    update
}

proc sendable {} {
    expr {![$::buttons.ok instate disabled] && ![$::buttons.apply instate disabled]}
}

proc notes {} {
    lmap field {frequency amplitude offset} {$::wave.${field}_note cget -text}
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

test gui-return {Return sends the values the dialog opens with, and the strip moves} {
    set opened [list [$axes.freq_x instate selected] [$axes.amp_y instate selected] \
        [$wave.frequency get] [$wave.amplitude get] [$wave.offset get]]
    press Return
    # One cycle per unit from the strip's start: the quarter points.
    set moved [near [lmap {x y z} [standin get $strip] {set y}] {0 1 0 -1 0}]
    set result [list $opened [winfo exists $top] [lindex $calls end] $moved [standin history]]
    standin undo
    set result
} {{1 1 1 1 0} 0 {x y 1 1 0 1 1} 1 rilo}

test gui-apply {typed numbers go trimmed, with the buttons chosen; Apply keeps the dialog} {
    open_dialog
    type_into $wave.frequency 2.5
    type_into $wave.amplitude " 0.5 "
    type_into $wave.offset 25
    $axes.amp_z invoke
    $wave.across invoke
    $shape.curve invoke
    $buttons.apply invoke
    update
    set sent [lindex $calls end]
    set moved [standin get $strip]
    standin undo
    list [winfo exists $top] $sent [expr {$moved ne $strip_start}] [expr {$moved eq [direct_result $sent]}]
} {1 {x z 2.5 0.5 25 0 0} 1 1}

test gui-random {a random phase disables the offset and sends random} {
    $wave.random invoke
    update
    set disabled [$wave.offset instate disabled]
    $buttons.apply invoke
    set sent [lindex $calls end 4]
    set within 1
    foreach {x y z} $strip_start {x2 y2 z2} [standin get $strip] {
        if {$x2 != $x || $y2 != $y || abs($z2) > 0.5 + 1e-6} {
            set within 0
        }
    }
    set history [standin history]
    standin undo
    $wave.random invoke
    update
    set enabled [expr {![$wave.offset instate disabled]}]
    $buttons.apply invoke
    standin undo
    list $disabled $sent $within $history $enabled [lindex $calls end 4]
} {1 random 1 rilo 1 25}

test gui-same-axis {the same axis twice disables OK and Apply until resolved} {
    set count [llength $calls]
    $axes.amp_x invoke
    update
    set blocked [list [sendable] [expr {[$axes.note cget -text] ne ""}]]
    press Return
    $buttons.apply invoke
    set sent [expr {[llength $calls] - $count}]
    $axes.amp_y invoke
    update
    list $blocked $sent [winfo exists $top] [sendable] [$axes.note cget -text]
} {{0 1} 0 1 1 {}}

test gui-not-numbers {texts that are not numbers are noted and disable OK and Apply} {
    set count [llength $calls]
    set wrong {}
    foreach field {frequency amplitude offset} {
        foreach text {abc "" - .e5 1e39} {
            set_entry $wave.$field $text
            if {[sendable] || [$wave.${field}_note cget -text] eq ""} {
                lappend wrong "$field \"$text\""
            }
        }
        press Return
        set_entry $wave.$field 1
    }
    list $wrong [expr {[llength $calls] - $count}] [sendable] [notes]
} {{} 0 1 {{} {} {}}}

test gui-trailing-text {text after a number is noted, and sent as typed} {
    set notes {}
    foreach field {frequency amplitude offset} {
        set_entry $wave.$field 1.5abc
        lappend notes [sendable] [$wave.${field}_note cget -text]
        set_entry $wave.$field 1
    }
    set_entry $wave.frequency 1.5abc
    $buttons.apply invoke
    standin undo
    set_entry $wave.frequency 1
    list $notes [lindex $calls end 2]
} {{1 {reads as 1.5} 1 {reads as 1.5} 1 {reads as 1.5}} 1.5abc}

# Typed numbers that Tcl's own reading would change (octal, hexadecimal,
# digit separators, leading zeros): sent as typed, with the note and the
# command's trace agreeing on what they read as.
test gui-numbers-as-typed {numbers go as typed; the note and the trace read them alike} {
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

test gui-random-ignores-offset {a random phase ignores the offset's text} {
    set_entry $wave.offset abc
    set before [sendable]
    $wave.random invoke
    update
    set after [sendable]
    $wave.random invoke
    set_entry $wave.offset 0
    list $before $after
} {0 1}

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

test gui-remembered {Escape sends nothing; the dialog reopens with the values last applied, which OK sends} {
    set_entry $wave.frequency 2
    set_entry $wave.amplitude 0.25
    set_entry $wave.offset 10
    $buttons.apply invoke
    standin undo
    set applied [lindex $calls end]
    set count [llength $calls]
    set_entry $wave.frequency 7
    $axes.freq_y invoke
    $axes.amp_x invoke
    press Escape
    set closed [expr {![winfo exists $top]}]
    set sent [expr {[llength $calls] - $count}]
    open_dialog
    lassign $applied freq_axis amp_axis frequency amplitude offset additive freq_units
    set shown [expr {
        [list [$wave.frequency get] [$wave.amplitude get] [$wave.offset get]] eq
            [list $frequency $amplitude $offset] &&
        [$axes.freq_$freq_axis instate selected] && [$axes.amp_$amp_axis instate selected] &&
        [$wave.[expr {$freq_units ? "per_unit" : "across"}] instate selected] &&
        [$shape.[expr {$additive ? "additive" : "curve"}] instate selected]}]
    $buttons.ok invoke
    update
    standin undo
    list $closed $sent $shown [winfo exists $top] [expr {[lindex $calls end] eq $applied}]
} {1 0 1 0 1}

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
    standin select none
    standin messages clear
    open_dialog
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
} [list [lrepeat 2 {rilo : no vertices selected}] {rilo : no vertices selected} {rilo : no vertices selected}]

test gui-keyboard {Tab visits only the controls, in reading order; each Alt key reaches its control} {
    standin select objects strip
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
    press Escape
    list [expr {$over ne $away}] [expr {$over ne ""}]
} {1 1}

finish
