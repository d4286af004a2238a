# Driving the dialog as a user would, in the stand-in's window
# (tests/e2e/dialog_gui.tcl) and in a plain wish (dialog_calls.tcl).

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

# Replaces an entry's text by typing it, key by key, with the focus there.
proc type_into {entry text} {
    set keysyms {. period - minus + plus " " space _ underscore}
    focus -force $entry
    update
    $entry selection range 0 end
    event generate $entry <KeyPress> -keysym BackSpace
    foreach char [split $text ""] {
        set keysym [expr {[dict exists $keysyms $char] ? [dict get $keysyms $char] : $char}]
        event generate $entry <KeyPress> -keysym $keysym
    }
    update
}
