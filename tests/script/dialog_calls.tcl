# The dialog's script in a plain wish, as a modeller with a Tcl/Tk of its
# own runs it, with a pjtrilo_go that only records its calls.  Run on each
# Tcl/Tk the dialog supports: the table of user actions (driving.tcl), the
# calls they make and what the dialog shows; what each row leaves (calls,
# the sketch's texts) is written to RECORD, which must be the same on every
# version.
#
#   wish dialog_calls.tcl RILO.TCL RECORD
lassign $argv script record_file
set argv {}
package require tcltest 2
namespace import ::tcltest::*
configure -verbose {body error}
interp bgerror {} {apply {{message options} {
    puts stderr "background error: [dict get $options -errorinfo]"
    exit 1
}}}
after 60000 {puts stderr "the script did not finish"; exit 1}

source [file join [file dirname [info script]] number_texts.tcl]
source [file join [file dirname [info script]] driving.tcl]
set calls {}
set record {}
proc pjtrilo_go {args} {
    lappend ::calls $args
}
# A host that tells where the selection lies: the stand-in's strip of
# tests/e2e/dialog_gui.tcl, five vertices from 0 to 1 along X, or nothing.
namespace eval ::rilo_host {}
set selected strip
proc ::rilo_host::selection {axis} {
    if {$::selected eq "none"} {return {}}
    list low 0 high [expr {$axis eq "x"}] vertices 5 spacing [expr {$axis eq "x" ? 0.25 : 0}]
}
proc select_in_host {what} {
    set ::selected $what
    ::rilo::host_changed
}
wm withdraw .
source $script
set f .rilo.f

# What a row leaves in the sketch, for the record.
proc noted {name made} {
    set c $::f.sketch.canvas
    set texts [expr {![winfo exists $c] ? "closed" : [lmap item [$c find withtag all] {
        if {[$c type $item] ne "text"} continue
        $c itemcget $item -text
    }]}]
    set extent [expr {[winfo exists $::f] ? [$::f.extent cget -text] : ""}]
    lappend ::record "$name: $made $texts $extent"
    return ""
}

test dialog-calls {each row of user actions makes the calls of pjtrilo_go shown and leaves the dialog as shown} {
    run_rows noted
} {}

# Whether the frame around the frequency entry shows red beside the entry,
# as the screen holds it.
proc ringed {} {
    update
    set ring $::f.wave.frequency_mark
    set pixel [exec import -window [winfo id $ring] -crop 1x1+0+[expr {[winfo height $ring] / 2}] txt:-]
    regexp {\((\d+),(\d+),(\d+)} $pixel - red green blue
    expr {$red > 150 && $green < 80 && $blue < 80}
}

test dialog-bad-entry {a text that cannot be sent rings its entry in red in every theme} {
    act open
    lmap theme {clam alt default classic} {
        ttk::style theme use $theme
        act {type frequency abc}
        set bad [ringed]
        act {type frequency 1}
        list $theme $bad [ringed]
    }
} {{clam 1 0} {alt 1 0} {default 1 0} {classic 1 0}}

# The script in a fresh interpreter after SHIMS, which make it look older:
# what the menu's procedure says as its error and in a message box, and
# whether the rest of the script was defined.
proc on_old {shims} {
    set i [interp create]
    $i eval $shims
    $i eval [list source $::script]
    set result [$i eval {
        list [expr {[catch pjtrilo_dialog message] ? $message : ""}] \
            [expr {[info exists ::boxed] ? $::boxed : ""}] [expr {[llength [info procs ::rilo::*]] > 1}]
    }]
    interp delete $i
    return $result
}

test dialog-floor {below Tcl/Tk 8.5 the menu's procedure says why the dialog does not open} {
    set tk84 {
        package provide Tk 8.4.20
        proc tk_messageBox {args} { set ::boxed [dict get $args -message]; return ok }
    }
    set tcl84 {
        rename package real_package
        proc package {args} {
            if {[lrange $args 0 1] eq {require Tcl}} { error "version conflict for package \"Tcl\"" }
            uplevel 1 [list real_package {*}$args]
        }
        rename info real_info
        proc info {args} {
            if {$args eq "patchlevel"} { return 8.4.20 }
            uplevel 1 [list real_info {*}$args]
        }
    }
    list [on_old $tk84] [on_old $tcl84]
} [list {{} {rilo: the dialog needs Tcl/Tk 8.5 or later; this is Tk 8.4.20} 1} \
        {{rilo: the dialog needs Tcl/Tk 8.5 or later; this is Tcl 8.4.20} {} 0}]

# The readings of the texts the stand-in's test compares with the command's.
foreach text $number_texts {
    lappend record "reading [list $text]: [::rilo::read_number $text]"
}
set file [open $record_file w]
puts $file [join $record \n]
close $file

# tcltest's cleanupTests ends a wish with status 0: the summary is written here.
puts [join [lmap count {Total Passed Skipped Failed} {list $count $::tcltest::numTests($count)}]]
exit [expr {$::tcltest::numTests(Failed) > 0}]
