# rilo.tcl without Tk, in the stand-in run without --gui: sourcing it at
# plug-in initialisation needs no display, and the dialog's reading of a
# number agrees with pjtrilo_go's, which serves as the reference.

source [file join [file dirname [info script]] testlib.tcl]

::test::group "sourcing without Tk"
::test::same "pjtrilo_dialog is defined" [info commands pjtrilo_dialog] pjtrilo_dialog
::test::check "Tk stays unloaded" [catch {package present Tk}]
::test::same "nothing went wrong at initialisation" [standin messages] {}

# Runs pjtrilo_go with TEXT for the frequency on a selected strip.  Returns
# {accepted FREQUENCY} with the value from the command's trace, or {refused}.
proc command_reading {text} {
    standin new
    set id [standin object strip]
    standin vertex $id 0 0 0 1 0 0
    standin select objects strip
    standin messages clear
    standin debug clear
    pjtrilo_go x y $text 1 0 1 1
    set messages [standin messages clear]
    set trace [standin debug clear]
    if {[llength $messages]} {
        return refused
    }
    regexp -line {^Frequency = (.*)$} $trace -> frequency
    return [list accepted $frequency]
}

::test::group "numbers as pjtrilo_go reads them"
set texts {
    1 -2.5 +.5 5. 0 -0 007 010 08.5 0x1A 1.5abc 1,5 "12 34"
    1e 2E+ 3e-x 1e5x 2.5e-3 .5E2
    "" . - + e5 .e1 abc inf -inf nan Infinity "\u0661\u0662"
    1e38 3.4028234e38 3.4028235e38 3.40282356e38 3.4028236e38 -3.4028236e38 1e39 -1e39
    340282356779733661637539395458142568447 340282356779733661637539395458142568448
    340282356779733661637539395458142568447.999 0.0340282356779733661637539395458142568448e40
    1e-38 1e-46 -1e-50 1e-400 1e400 1e99999999999999999999 1e-99999999999999999999 0e99999999999999999999
}
# Leading white space is skipped by both.
lappend texts " 7" "\t\n-8.25"
foreach text $texts {
    set expected [command_reading $text]
    set reading [::rilo::read_number $text]
    if {[lindex $expected 0] eq "refused"} {
        ::test::check "\"$text\" is refused" [expr {[lindex $reading 0] in {none overflow}}]
        continue
    }
    ::test::same "\"$text\" is accepted" [lindex $reading 0] ok
    if {[lindex $reading 0] eq "ok"} {
        # The command traces the single-precision value with %g; the
        # dialog's double gives the same six digits.
        ::test::same "\"$text\" reads as the command reads it" [format %g [lindex $reading 1]] [lindex $expected 1]
        ::test::same "\"$text\" is read from its start" [string first [lindex $reading 2] [string trimleft $text]] 0
    }
}

::test::finish
