# The Rilo dialog in the stand-in's window (standin --gui): opened from the
# Tools menu and driven as a user would, with the parameters pjtrilo_go
# receives and the vertices it moves checked after each action.

source [file join [file dirname [info script]] testlib.tcl]

# An error in an event handler is a failure, never a dialog waiting for a click.
interp bgerror {} {apply {{message options} {
    puts stderr "FAIL background error: [dict get $options -errorinfo]"
    exit 1
}}}
# A last resort should a wait below never end.
after 60000 {puts stderr "FAIL the script did not finish"; exit 1}

set ::standin::gui::modal_messages 0

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

# Runs SCRIPT between updates until it is true, for at most five seconds.
proc wait_until {script} {
    for {set i 0} {$i < 250} {incr i} {
        update
        if {[uplevel 1 [list expr $script]]} {
            return 1
        }
        after 20
    }
    return 0
}

proc open_dialog {} {
    .menubar.tools invoke Rilo...
    wait_until {[winfo exists $::top] && [winfo viewable $::top]}
}

# Replaces an entry's text by typing it, key by key, with the focus there.
proc type_into {entry text} {
    set keysyms {. period - minus " " space}
    focus -force $entry
    update
    $entry selection range 0 end
    foreach char [split $text ""] {
        set keysym [expr {[dict exists $keysyms $char] ? [dict get $keysyms $char] : $char}]
        event generate $entry <KeyPress> -keysym $keysym
    }
    update
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
    return [expr {![$::buttons.ok instate disabled] && ![$::buttons.apply instate disabled]}]
}

# A fresh object with the strip's vertices, moved by calling the command
# directly with PARAMETERS; returns its coordinates.
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

# The strip: five vertices a quarter unit apart along X.
set strip [standin object strip]
set strip_start {0 0 0 0.25 0 0 0.5 0 0 0.75 0 0 1 0 0}
standin vertex $strip {*}$strip_start
standin select objects strip
update

::test::group "main window"
set labels {}
foreach item [standin menu list] {
    lappend labels [lindex $item 0]
}
set shown {}
for {set i 0} {$i <= [.menubar.tools index end]} {incr i} {
    lappend shown [.menubar.tools entrycget $i -label]
}
::test::same "the Tools menu lists the registered entries" $shown $labels
::test::check "the dialog opens from Tools > Rilo..." [open_dialog]

toplevel .cover
raise .cover
update
.menubar.tools invoke Rilo...
update
::test::same "a second invocation raises the open dialog" [lindex [wm stackorder .] end] $top
::test::same "and opens no other" [llength [lsearch -all -glob [winfo children .] .rilo*]] 1
destroy .cover

::test::group "Return with the values it opens with"
::test::same "frequency axis X is chosen" [$axes.freq_x instate selected] 1
::test::same "amplitude axis Y is chosen" [$axes.amp_y instate selected] 1
::test::same "numbers shown" [list [$wave.frequency get] [$wave.amplitude get] [$wave.offset get]] {1 1 0}
press Return
::test::check "Return closes the dialog" [expr {![winfo exists $top]}]
::test::same "pjtrilo_go receives" [lindex $calls end] {x y 1 1 0 1 1}
set ys {}
foreach {x y z} [standin get $strip] {
    lappend ys $y
}
# One cycle per unit from the strip's start: the quarter points.
::test::near "the strip follows one cycle per unit" $ys {0 1 0 -1 0}
::test::same "as one undo step" [standin history] rilo
standin undo

::test::group "typed values, chosen buttons and Apply"
open_dialog
type_into $wave.frequency 2.5
type_into $wave.amplitude " 0.5 "
type_into $wave.offset 25
$axes.amp_z invoke
$wave.across invoke
$shape.curve invoke
$buttons.apply invoke
update
::test::check "Apply keeps the dialog open" [winfo exists $top]
set sent {x z 2.5 0.5 25 0 0}
::test::same "pjtrilo_go receives the typed numbers trimmed" [lindex $calls end] $sent
::test::check "the strip moved" [expr {[standin get $strip] ne $strip_start}]
::test::same "as the command itself moves it" [standin get $strip] [direct_result $sent]
standin undo

::test::group "random phase"
$wave.random invoke
update
::test::check "disables the offset entry" [$wave.offset instate disabled]
set before [standin get $strip]
$buttons.apply invoke
::test::same "sends random" [lindex $calls end 4] random
::test::same "as one undo step" [standin history] rilo
set within 1
foreach {x y z} $before {x2 y2 z2} [standin get $strip] {
    if {$x2 != $x || $y2 != $y || abs($z2) > 0.5 + 1e-6} {
        set within 0
    }
}
::test::check "the strip moves along Z by at most the amplitude" $within
standin undo
$wave.random invoke
update
::test::check "unticked, the offset entry is enabled again" [expr {![$wave.offset instate disabled]}]
$buttons.apply invoke
::test::same "and its number is sent again" [lindex $calls end 4] 25
standin undo

::test::group "the same axis twice"
set count [llength $calls]
$axes.amp_x invoke
update
::test::check "disables OK and Apply" [expr {[$buttons.ok instate disabled] && [$buttons.apply instate disabled]}]
::test::check "says why" [expr {[$axes.note cget -text] ne ""}]
press Return
$buttons.apply invoke
::test::same "Return and Apply send nothing" [llength $calls] $count
::test::check "and the dialog stays open" [winfo exists $top]
$axes.amp_y invoke
update
::test::check "another axis enables them" [sendable]
::test::same "and clears the note" [$axes.note cget -text] ""

::test::group "texts that are not numbers"
foreach field {frequency amplitude offset} {
    foreach text {abc "" - .e5 1e39} {
        set_entry $wave.$field $text
        ::test::check "$field \"$text\" disables OK and Apply" [expr {![sendable]}]
        ::test::check "$field \"$text\" is noted" [expr {[$wave.${field}_note cget -text] ne ""}]
    }
    press Return
    ::test::same "$field: Return sends nothing" [llength $calls] $count
    set_entry $wave.$field 1.5abc
    ::test::check "$field \"1.5abc\" can be sent" [sendable]
    ::test::check "$field \"1.5abc\" notes what is read" [string match "*1.5" [$wave.${field}_note cget -text]]
    set_entry $wave.$field 1
    ::test::check "$field \"1\" can be sent, without a note" \
        [expr {[sendable] && [$wave.${field}_note cget -text] eq ""}]
}
set_entry $wave.offset abc
$wave.random invoke
update
::test::check "a random phase ignores the offset's text" [sendable]
$wave.random invoke
set_entry $wave.offset 0
set_entry $wave.frequency 1.5abc
$buttons.apply invoke
::test::same "text after a number is sent as typed" [lindex $calls end 2] 1.5abc
standin undo

::test::group "the sketch"
# Counts how often the wave crosses the middle of its own height.
proc crossings {} {
    set coords [$::canvas coords wave]
    set ys {}
    foreach {x y} $coords {
        lappend ys $y
    }
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
$wave.across invoke
set_entry $wave.offset 25
foreach frequency {1 3} {
    set_entry $wave.frequency $frequency
    ::test::same "$frequency cycles across the selection cross the middle [expr {2 * $frequency}] times" \
        [crossings] [expr {2 * $frequency}]
}
set_entry $wave.amplitude 1
set up [$canvas coords wave]
set_entry $wave.amplitude -1
set down [$canvas coords wave]
set ys {}
foreach {x y} $up {
    lappend ys $y
}
set mid [expr {([tcl::mathfunc::min {*}$ys] + [tcl::mathfunc::max {*}$ys]) / 2.0}]
set mirrored [expr {[llength $up] == [llength $down]}]
foreach {x y} $up {x2 y2} $down {
    if {$x2 != $x || abs(($y - $mid) + ($y2 - $mid)) > 0.01} {
        set mirrored 0
    }
}
::test::check "a negative amplitude turns the wave over" $mirrored
set_entry $wave.frequency x
::test::same "no wave without numbers" [$canvas find withtag wave] {}

::test::group "Escape, OK and what is remembered"
set_entry $wave.frequency 2
set_entry $wave.amplitude 0.25
set_entry $wave.offset 10
$buttons.apply invoke
set applied [lindex $calls end]
set count [llength $calls]
set_entry $wave.frequency 7
$axes.freq_y invoke
$axes.amp_x invoke
press Escape
::test::check "Escape closes the dialog" [expr {![winfo exists $top]}]
::test::same "without sending" [llength $calls] $count
open_dialog
lassign $applied freq_axis amp_axis frequency amplitude offset additive freq_units
::test::same "it reopens with the numbers last applied" \
    [list [$wave.frequency get] [$wave.amplitude get] [$wave.offset get]] [list $frequency $amplitude $offset]
::test::check "and the choices last applied" [expr {
    [$axes.freq_$freq_axis instate selected] && [$axes.amp_$amp_axis instate selected] &&
    [$wave.[expr {$freq_units ? "per_unit" : "across"}] instate selected] &&
    [$shape.[expr {$additive ? "additive" : "curve"}] instate selected]}]
$buttons.ok invoke
update
::test::check "OK closes the dialog" [expr {![winfo exists $top]}]
::test::same "and sends the same values" [lindex $calls end] $applied
standin undo
standin undo

::test::group "messages"
standin select none
standin messages clear
open_dialog
$buttons.apply invoke
update
::test::same "recorded by the host" [standin messages] {{rilo : no vertices selected}}
::test::same "shown in a window that does not wait" [.message.f.text cget -text] {rilo : no vertices selected}
destroy .message
# A message box that waits, as in the modeller; dismissed from the event loop.
set ::standin::gui::modal_messages 1
set dismissed ""
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
after 20 {dismiss 250}
$buttons.apply invoke
::test::same "or in a message box, until dismissed" $dismissed {rilo : no vertices selected}
::test::same "each message recorded once" [llength [standin messages]] 2
set ::standin::gui::modal_messages 0

::test::group "help"
event generate $wave.amplitude <Enter>
set over [$top.f.help cget -text]
event generate $wave.amplitude <Leave>
set away [$top.f.help cget -text]
::test::check "the help line changes over a control" [expr {$over ne $away && $over ne ""}]
press Escape

::test::finish
