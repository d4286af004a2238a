# Loading the real module: what it registers, and what a second
# initialisation, About and Info do.
source [file join [file dirname [info script]] lib.tcl]

set plugins [file dirname [info nameofexecutable]]

test menu-entry {one Tools entry running the dialog procedure} {
    standin menu list
} {{Rilo... pjtrilo_dialog {Apply an axis-aligned waveform to the selected vertices}}}

test command {pjtrilo_go is registered with its usage and description} {
    list [standin commands] [llength [info commands pjtrilo_go]]
} {{{pjtrilo_go 7 argv {TODO: Show params here} {Rilo utility}}} 1}

test script-sourced {the script was read from the plug-in folder before anything else} {
    list [standin tcllog] [llength [info procs pjtrilo_dialog]]
} [list [list "source \"$plugins/rilo.tcl\""] 1]

test about-info {the stand-in shows the module's About and Info texts, in that order} {
    lmap text [standin about] pattern {{Rilo - version *} {Rilo utility - *}} {string match $pattern $text}
} {1 1}

test second-init {a second initialisation changes nothing} {
    set before [list [standin menu list] [standin commands] [standin tcllog]]
    set results [list [standin init] [standin init -null] [standin init {C:\other}]]
    list $results [expr {$before eq [list [standin menu list] [standin commands] [standin tcllog]]}]
} {{0 0 0} 1}

test exit-keeps-registrations {exit releases nothing the host keeps} {
    list [standin exit] [llength [standin menu list]] [llength [info commands pjtrilo_go]]
} {0 1 1}

test good-call-trace {a good call writes the trace, then reports an empty selection} {
    fresh
    pjtrilo_go Y x 3 -2 random 0 yes
    list [standin messages] [regsub {Offset = [0-9.e-]+} [standin debug] {Offset = R}]
} [list {{rilo : no vertices selected}} "Rilo:\nFrequency axis = y\nAmplitude axis = x\nFrequency = 3\nAmplitude = -2\nOffset = R\nAdditive = false\nFreq units = true\n"]

test menu-runs-dialog {the menu entry runs the dialog, which needs a display: without one it says so and moves nothing} {
    fresh
    set id [row a {0 0 1 0}]
    standin select objects a
    set before [standin get $id]
    set called {}
    rename pjtrilo_go real_pjtrilo_go
    proc pjtrilo_go args { lappend ::called $args; real_pjtrilo_go {*}$args }
    unset -nocomplain ::env(DISPLAY)
    set failed [catch {standin menu invoke Rilo...} message]
    rename pjtrilo_go {}
    rename real_pjtrilo_go pjtrilo_go
    list $failed [string match "rilo: the dialog needs Tk*" $message] $called \
        [expr {[standin get $id] eq $before}] [standin history]
} {1 1 {} 1 {}}

finish
