# The dialog's script in a plain wish, as a modeller with a Tcl/Tk of its
# own runs it, with a pjtrilo_go that only records its calls.  Run on each
# Tcl/Tk the dialog supports: one table of user actions and the calls they
# make; what each row leaves (calls, notes, the sketch's texts) is written to
# RECORD, which must be the same on every version.
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
wm withdraw .
source $script
set top .rilo
set f $top.f

# One user action: {open}, {type FIELD TEXT}, {click WIDGET} (under .rilo.f),
# {key KEY} in the frequency entry, or {alt LETTER}.
proc act {step} {
    global f
    lassign $step how what text
    switch -- $how {
        open { pjtrilo_dialog; wait_until {[winfo exists $::top] && [winfo viewable $::top]} }
        type { type_into $f.wave.$what $text }
        click { $f.$what invoke }
        key { focus -force $f.wave.frequency; update; event generate $f.wave.frequency <$what> }
        alt { event generate [focus] <Alt-Key-$what> }
    }
    update
}

# What the dialog shows: the three notes, the sketch's texts and whether OK
# can be pressed; "closed" once it is closed.
proc shown {} {
    global f
    if {![winfo exists $f]} {
        return closed
    }
    set c $f.sketch.canvas
    list [lmap field {frequency amplitude offset} {$f.wave.${field}_note cget -text}] \
        [lmap item [$c find withtag all] {
            if {[$c type $item] ne "text"} continue
            $c itemcget $item -text
        }] [expr {![$f.buttons.ok instate disabled]}]
}

test dialog-calls {each row of user actions makes the calls of pjtrilo_go shown} {
    set wrong {}
    foreach {name actions expected} {
        opened {open {key Return}} {{x y 1 1 0 1 1}}
        choices {
            open {type frequency 2.5} {type amplitude " 0.5 "} {type offset 25}
            {click axes.amp_z} {click wave.across} {click shape.curve} {click buttons.apply}
        } {{x z 2.5 0.5 25 0 0}}
        random-phase {{click wave.random} {alt a}} {{x z 2.5 0.5 random 0 0}}
        offset-back {{click wave.random} {type offset 010} {click buttons.apply}} {{x z 2.5 0.5 010 0 0}}
        hexadecimal {{type offset 0x10} {click buttons.apply}} {{x z 2.5 0.5 0x10 0 0}}
        separator {{type frequency 1_000} {click buttons.apply}} {{x z 1_000 0.5 0x10 0 0}}
        zeros {{type offset " 0025 "} {click buttons.apply}} {{x z 1_000 0.5 0025 0 0}}
        trailing {{type amplitude 1.5abc} {click buttons.apply}} {{x z 1_000 1.5abc 0025 0 0}}
        exponent {{type frequency -2E-3} {type amplitude +.5e1} {key KP_Enter}} {{x z -2E-3 +.5e1 0025 0 0}}
        same-axis {open {click axes.amp_x} {key Return} {click buttons.apply}} {}
        not-number {{click axes.amp_y} {type amplitude abc} {key Return}} {}
        too-large {{type amplitude 1e39} {click buttons.apply}} {}
        empty {{type amplitude 2} {type frequency ""} {alt a}} {}
        random {{type frequency 3} {type offset x} {click wave.random} {key Return}} {{x y 3 2 random 0 0}}
        escape {open {type frequency 9} {key Escape}} {}
        remembered {open {click buttons.ok}} {{x y 3 2 random 0 0}}
    } {
        set before [llength $::calls]
        foreach step $actions {
            act $step
        }
        set made [lrange $::calls $before end]
        if {$made ne $expected} {
            lappend wrong "$name: $made"
        }
        lappend ::record "$name: $made [shown]"
    }
    join $wrong \n
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
