# The stand-in's main window (standin --gui).  gui.cpp loads Tk, sources
# this file and calls ::standin::gui::build once the plug-in is loaded.
#
# ::standin::gui::modal_messages chooses how the plug-in's messages appear:
# 1 (the default) shows each one in a tk_messageBox that waits to be
# dismissed, as the modeller does; 0 shows it in the window .message, which
# does not wait, for scripts that drive the windows themselves.
namespace eval ::standin::gui {
    variable modal_messages 1
    variable view front        ;# front, top or side
    variable status ""         ;# the text of the status line
    variable summary ""        ;# what the status line shows when no menu entry is active
    variable pending 0         ;# a redraw is scheduled
    variable drawing 0         ;# a redraw is running
}

proc ::standin::gui::build {} {
    wm title . standin
    option add *tearOff 0
    menu .menubar
    . configure -menu .menubar

    menu .menubar.file
    .menubar add cascade -label File -underline 0 -menu .menubar.file
    .menubar.file add command -label "New scene" -underline 0 -command {standin new}
    .menubar.file add separator
    .menubar.file add command -label Exit -underline 1 -command {destroy .}

    menu .menubar.edit
    .menubar add cascade -label Edit -underline 0 -menu .menubar.edit
    .menubar.edit add command -label Undo -underline 0 -accelerator Ctrl+Z -command ::standin::gui::undo
    bind . <Control-z> ::standin::gui::undo

    menu .menubar.view
    .menubar add cascade -label View -underline 0 -menu .menubar.view
    foreach {label value} {"Front (X, Y)" front "Top (X, Z)" top "Side (Z, Y)" side} {
        .menubar.view add radiobutton -label $label -value $value \
            -variable ::standin::gui::view -command ::standin::gui::changed
    }

    # The modeller's Tools menu: the entries plug-ins registered, read again
    # each time it opens.
    menu .menubar.tools -postcommand ::standin::gui::fill_tools
    .menubar add cascade -label Tools -underline 0 -menu .menubar.tools
    fill_tools
    bind Menu <<MenuSelect>> {+::standin::gui::menu_help %W}

    canvas .view -width 480 -height 300 -background white -highlightthickness 0
    ttk::label .status -anchor w -padding {6 2} -textvariable ::standin::gui::status
    pack .status -side bottom -fill x
    pack .view -side top -fill both -expand 1
    bind .view <Configure> ::standin::gui::changed

    # Redraw after anything that may have changed the scene.
    trace add execution standin leave ::standin::gui::changed
    foreach command [standin commands] {
        trace add execution [lindex $command 0] leave ::standin::gui::changed
    }
    changed
}

proc ::standin::gui::fill_tools {} {
    .menubar.tools delete 0 end
    foreach item [standin menu list] {
        lassign $item label command
        .menubar.tools add command -label $label -command [list uplevel #0 $command]
    }
}

# Shows the help of the Tools entry under the pointer in the status line.
proc ::standin::gui::menu_help {menu} {
    variable status
    variable summary
    set status $summary
    if {[catch {$menu entrycget active -label} label]} return
    foreach item [standin menu list] {
        if {[lindex $item 0] eq $label} {
            set status [lindex $item 2]
        }
    }
}

proc ::standin::gui::undo {} {
    if {[catch {standin undo}]} bell
}

proc ::standin::gui::changed {args} {
    variable pending
    variable drawing
    if {$pending || $drawing} return
    set pending 1
    after idle ::standin::gui::redraw
}

proc ::standin::gui::redraw {} {
    variable pending 0
    variable drawing 1
    try {
        draw
    } finally {
        set drawing 0
    }
}

# Every object's vertices as dots, projected for the chosen view and fitted
# to the canvas.
proc ::standin::gui::draw {} {
    variable view
    variable summary
    variable status
    set c .view
    if {![winfo exists $c]} return
    $c delete all
    set width [winfo width $c]
    set height [winfo height $c]
    if {$width < 2} {
        set width [winfo reqwidth $c]
        set height [winfo reqheight $c]
    }
    set shapes {}
    set count 0
    foreach id [standin objects] {
        set points {}
        foreach {x y z} [standin get $id] {
            switch -- $view {
                top {lappend points $x [expr {-$z}]}
                side {lappend points [expr {-$z}] $y}
                default {lappend points $x $y}
            }
        }
        incr count [expr {[llength $points] / 2}]
        if {[llength $points]} {lappend shapes $points}
    }
    set objects [llength [standin objects]]
    set summary "$objects object[expr {$objects == 1 ? "" : "s"}], $count vertices, selecting [standin mode]"
    set status $summary
    if {![llength $shapes]} {
        $c create text [expr {$width / 2}] [expr {$height / 2}] -fill gray50 \
            -text "Empty scene: build one with the standin command"
        return
    }
    set all [concat {*}$shapes]
    set xmin [set xmax [lindex $all 0]]
    set ymin [set ymax [lindex $all 1]]
    foreach {x y} $all {
        set xmin [expr {min($xmin, $x)}]
        set xmax [expr {max($xmax, $x)}]
        set ymin [expr {min($ymin, $y)}]
        set ymax [expr {max($ymax, $y)}]
    }
    set margin 16
    set span [expr {max($xmax - $xmin, $ymax - $ymin, 1e-6)}]
    set scale [expr {min($width - 2 * $margin, $height - 2 * $margin) / $span}]
    set cx [expr {$width / 2.0 - ($xmin + $xmax) / 2.0 * $scale}]
    set cy [expr {$height / 2.0 + ($ymin + $ymax) / 2.0 * $scale}]
    set colours {#1f5fbf #bf3f1f #2f8f3f #8f2fbf #bf8f1f}
    set n 0
    foreach points $shapes {
        set colour [lindex $colours [expr {$n % [llength $colours]}]]
        foreach {x y} $points {
            set sx [expr {$cx + $x * $scale}]
            set sy [expr {$cy - $y * $scale}]
            $c create oval [expr {$sx - 2}] [expr {$sy - 2}] [expr {$sx + 2}] [expr {$sy + 2}] \
                -fill $colour -outline $colour
        }
        incr n
    }
    set axes [dict get {front "X right, Y up" top "X right, Z down" side "Z left, Y up"} $view]
    $c create text 6 [expr {$height - 4}] -anchor sw -fill gray50 -text "$view: $axes"
}

# Shows a message of the plug-in; see modal_messages.
proc ::standin::gui::message {text} {
    variable modal_messages
    if {$modal_messages} {
        set parent .
        set focus [focus]
        if {$focus ne ""} {set parent [winfo toplevel $focus]}
        tk_messageBox -parent $parent -icon warning -title standin -message $text
        return
    }
    set w .message
    if {![winfo exists $w]} {
        toplevel $w
        wm title $w "standin: message"
        ttk::frame $w.f -padding 12
        ttk::label $w.f.text -wraplength 360 -justify left
        ttk::button $w.f.ok -text OK -command [list destroy $w]
        pack $w.f -fill both -expand 1
        pack $w.f.text -side top -anchor w -pady {0 10}
        pack $w.f.ok -side bottom -anchor e
        bind $w <Return> [list destroy $w]
        bind $w <Escape> [list destroy $w]
    }
    $w.f.text configure -text $text
    raise $w
}
