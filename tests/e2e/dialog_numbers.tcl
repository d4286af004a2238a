# The dialog's script without a display: sourced at initialisation without
# Tk, and reading numbers as pjtrilo_go does, the command being the reference.
source [file join [file dirname [info script]] lib.tcl]
source [file join [file dirname [info script]] .. script number_texts.tcl]

# The script stays plain ASCII: Tcl 8 reads a script in the system's
# encoding, which on Windows is a code page, not UTF-8.
test dialog-sourced-without-tk {rilo.tcl is ASCII, defines the dialog and loads no Tk} {
    set file [open [file join [file dirname [info script]] .. .. script rilo.tcl] rb]
    set bytes [read $file]
    close $file
    list [regexp {[^\x00-\x7f]} $bytes] [info procs pjtrilo_dialog] [catch {package present Tk}] [standin messages]
} {0 pjtrilo_dialog 1 {}}

# Runs pjtrilo_go with TEXT for the frequency on a selected row.  Returns
# {accepted FREQUENCY} with the value from the command's trace, or {refused}.
proc command_reading {text} {
    fresh
    row a {0 0 1 0}
    standin select objects a
    pjtrilo_go x y $text 1 0 1 1
    if {[llength [standin messages]]} {
        return refused
    }
    regexp -line {^Frequency = (.*)$} [standin debug] -> frequency
    return [list accepted $frequency]
}

# How the dialog's reading of TEXT differs from the command's; empty when
# they agree: the same verdict, the same value to the six digits of the
# trace, and the part read taken from the start of the text.
proc disagreement {text} {
    set expected [command_reading $text]
    set reading [::rilo::read_number $text]
    if {[lindex $expected 0] eq "refused"} {
        if {[lindex $reading 0] in {none overflow}} {
            return {}
        }
        return [list "\"$text\": the command refuses it, the dialog reads $reading"]
    }
    if {[lindex $reading 0] ne "ok"} {
        return [list "\"$text\": the command reads [lindex $expected 1], the dialog says [lindex $reading 0]"]
    }
    lassign $reading - value used
    if {[format %g $value] ne [lindex $expected 1] || [string first $used [string trimleft $text]] != 0} {
        return [list "\"$text\": the command reads [lindex $expected 1], the dialog reads $value from \"$used\""]
    }
    return {}
}

test dialog-numbers {the dialog accepts, refuses and reads numbers as pjtrilo_go does} {
    set differences {}
    foreach text $number_texts {
        lappend differences {*}[disagreement $text]
    }
    join $differences \n
} {}

# The command line warns of the text after a number exactly when the
# command ignores it: what follows the part the command reads.
test apply-number-warnings {standin apply warns of the text the command ignores after a number, and only then} {
    set banner [file join [file dirname [info script]] .. .. examples banner.ac]
    set out [file join [temporaryDirectory] numbers-[pid].ac]
    set differences {}
    foreach text $number_texts {
        lassign [::rilo::read_number $text] verdict - used
        if {$verdict ne "ok"} continue
        set ignored [string range $text [expr {[string first $used $text] + [string length $used]}] end]
        set expected [expr {$ignored eq "" ? "" : [standin printable \
            "standin: warning: --frequency '$text': the text '$ignored' after the number is ignored"]}]
        catch {exec [info nameofexecutable] apply $banner $out --freq-axis x --amp-axis z --frequency=$text \
            --amplitude 1 2>@1} got
        set warning [lsearch -inline -glob [split $got \n] "standin: warning:*"]
        if {$warning ne $expected} {
            lappend differences "\"$text\": $warning"
        }
    }
    file delete $out
    join $differences \n
} {}

finish
