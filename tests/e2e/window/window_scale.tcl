# The main window at two scalings (96 and 192 dpi), each at its first size
# and at its least: the toolbar and the status bar show every label whole
# and apart, the tree's rows are as tall as their text, the view's hint
# keeps clear of the view's name, and the Rilo dialog fits in the window.
# The window takes its scaling when it is built, so each scaling is a
# stand-in of its own (STANDIN_SCALING), run here with "measure SIZE...".
source [file join [file dirname [info script]] .. lib.tcl]

# What is wrong with the window as it is now, as a list: empty when all is well.
proc faults {} {
    update
    set out {}
    set width [winfo width .]
    foreach bar {.tool .status} {
        set boxes {}
        foreach w [pack slaves $bar] {
            set x [expr {[winfo rootx $w] - [winfo rootx .]}]
            set box [list $w $x [expr {$x + [winfo width $w]}]]
            foreach other $boxes {
                if {[lindex $box 1] < [lindex $other 2] && [lindex $other 1] < [lindex $box 2]} {
                    lappend out "[lindex $other 0] and $w overlap"
                }
            }
            lappend boxes $box
            # The status message may be cut short; nothing else may.
            if {$w ne ".status.message" && ([winfo width $w] < [winfo reqwidth $w] || [lindex $box 2] > $width)} {
                lappend out "$w is cut off"
            }
        }
    }
    set tree .main.objects.list
    set row [lindex [$tree bbox [lindex [$tree children {}] 0]] 3]
    if {$row eq "" || $row < [font metrics TkDefaultFont -linespace]} {
        lappend out "tree rows of $row pixels"
    }
    foreach hint [.view find withtag hint] {
        if {[.view itemcget $hint -text] ne "" && ![::standin::gui::fits_band .view $hint]} {
            lappend out "the hint overprints the view's name"
        }
    }
    return $out
}

# The dialog, opened on the window at its first size, lies within it.
proc dialog_faults {} {
    open_dialog
    set out {}
    if {[winfo reqwidth .rilo] > [winfo width .] || [winfo reqheight .rilo] > [winfo height .]} {
        lappend out "the dialog ([winfo reqwidth .rilo]x[winfo reqheight .rilo]) exceeds the window ([wm geometry .])"
    }
    .rilo.f.buttons.cancel invoke
    return $out
}

if {[lindex $argv 0] eq "measure"} {
    windows_under_test
    set ::standin::gui::modal_messages 0
    standin select all
    set result {}
    foreach size [lrange $argv 1 end] {
        if {$size eq "minimum"} {
            wm geometry . [join [wm minsize .] x]
            update
            set faults [faults]
        } else {
            set faults [concat [faults] [dialog_faults]]
        }
        lappend result $size $faults
    }
    puts $result
    exit 0
}

windows_under_test

test window-scale {at 96 and 192 dpi, first and least size, nothing in the window is cut off or overprinted} {
    set result {}
    foreach {scaling sizes} {
        1.3333 {default minimum}
        2.6667 {default minimum}
    } {
        set ::env(STANDIN_SCALING) $scaling
        set out [exec [info nameofexecutable] --gui $model [info script] -- measure {*}$sizes 2>@1]
        foreach {size faults} [lindex [split [string trim $out] \n] end] {
            lappend result $scaling $size $faults
        }
    }
    unset ::env(STANDIN_SCALING)
    set result
} {1.3333 default {} 1.3333 minimum {} 2.6667 default {} 2.6667 minimum {}}

test window-scale-refused {a scaling that is not a number stops the window with a clear message} {
    set ::env(STANDIN_SCALING) large
    catch {exec [info nameofexecutable] --gui $model -c exit 2>@1} out
    unset ::env(STANDIN_SCALING)
    lindex [split $out \n] 0
} {standin: STANDIN_SCALING: expected pixels per point from 0.5 to 10, found 'large'}

finish
