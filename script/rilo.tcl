# The Rilo dialog: gathers the seven parameters of pjtrilo_go and runs it.
#
# Sourcing this file only defines procedures, so it also loads where there
# is no display; Tk is required when the dialog first opens.  The file is
# plain ASCII, so that it reads the same in every system encoding.
#
# pjtrilo_go FREQ-AXIS AMP-AXIS FREQUENCY AMPLITUDE OFFSET ADDITIVE FREQ-UNITS
#   axes are x, y or z; numbers go as typed (trimmed); the offset is in
#   hundredths of a cycle or "random"; the two flags are 1 or 0.
#
# A host that shows the wave on the model while the dialog is open follows
# the dialog through these commands, each called only where the host
# defines it in the namespace ::rilo_host (the modeller defines none, and
# the dialog then works on its own):
#   opened TOP          the dialog was built or brought forward; TOP is its window
#   edited PARAMETERS   the values may have changed: the seven parameters of
#                       pjtrilo_go, or {} while they cannot be sent
#   applicable          0 when Apply would put nothing new on the model: it is greyed
#   run PARAMETERS      OK or Apply: 1 when the host has put the wave on the
#                       model (or the model has it already), so the dialog
#                       runs nothing itself
#   closed              the dialog is closing
#   selection AXIS      where the selection lies along AXIS (x, y or z), in
#                       model units: {} while nothing is selected, else
#                       {low L high H vertices N spacing S}, S the mean gap
#                       between its distinct coordinates; shown under the
#                       values, and OK and Apply are greyed while it is {}
# The host calls ::rilo::host_changed when what applicable or selection
# answers may have changed (the selection changed, say).

namespace eval ::rilo {}

# Says why the dialog cannot open: in a message box where Tk is loaded, or
# as the error of the menu's command.  Written for any Tcl from 8.0 on.
proc ::rilo::cannot_open {text} {
    if {[llength [info commands tk_messageBox]]} {
        tk_messageBox -icon error -title Rilo -message $text
        return
    }
    return -code error $text
}

# Tcl/Tk 8.5 is the floor (ttk, lassign, {*}, **).  On an older Tcl only the
# menu's procedure is defined, so that the menu entry says why it does nothing.
if {[catch {package require Tcl 8.5-}]} {
    proc pjtrilo_dialog {} {
        ::rilo::cannot_open "rilo: the dialog needs Tcl/Tk 8.5 or later; this is Tcl [info patchlevel]"
    }
    return
}

namespace eval ::rilo {
    # The values last applied, kept while the program runs; the dialog opens with them.
    variable last
    array set last {
        freq_axis x
        amp_axis y
        frequency 1
        amplitude 1
        offset 0
        random 0
        additive 1
        freq_units 1
    }
    # The values being edited while the dialog is open.
    variable ui
    array set ui [array get last]
    variable top .rilo

    # The numbers pjtrilo_go reads: white space, an optional sign, digits
    # with an optional point, and an exponent only when it is complete.
    # Whatever follows is ignored.
    variable number_re {^[ \t\n\v\f\r]*([+-]?)([0-9]*)(?:\.([0-9]*))?(?:[eE]([+-]?[0-9]+))?}
    # The smallest magnitude that no longer rounds to a finite single-precision value.
    variable too_large [expr {2**128 - 2**103}]

    # The control each Alt key reaches: the letter underlined in its label.
    # An entry takes the focus with its text selected; a choice is made; a
    # button is pressed; an axis row takes the focus on its chosen axis.
    variable alt_keys {
        f {axis freq} l {axis amp} q {entry frequency} u {invoke wave.per_unit} s {invoke wave.across}
        m {entry amplitude} o {entry offset} r {invoke wave.random} d {invoke shape.additive}
        v {invoke shape.curve} k {invoke buttons.ok} c {invoke buttons.cancel} a {invoke buttons.apply}
    }

    variable help
    array set help {
        idle       "Return applies and closes; Escape closes without applying."
        freq_axis  "The wave runs along this axis: its cycles are counted along it."
        amp_axis   "Vertices move along this axis, by up to the amplitude either way."
        frequency  "How many cycles of the wave: per model unit, or across the selection."
        per_unit   "The frequency counts cycles per model unit along the frequency axis."
        across     "The frequency counts cycles across the whole extent of the selection."
        amplitude  "How far vertices move either way, in model units."
        offset     "Where the wave starts, in hundredths of a cycle: 25 is a quarter cycle."
        random     "Give each object its own random starting point instead of the offset."
        additive   "Add the wave to where the vertices are now, keeping the shape's relief."
        curve      "Put every vertex on one wave that starts at the level of the lowest vertex."
        preview    "A sketch of the wave for the current values."
        extent     "Where the selection lies along the frequency axis, and how long one cycle is."
        ok         "Apply the wave to the selected vertices and close."
        apply      "Apply the wave to the selected vertices and keep this dialog open."
        cancel     "Close without applying; the values last applied are kept."
    }
}

# Reads TEXT as pjtrilo_go does.  Returns {ok VALUE USED} with the number and
# the part of the text that makes it, {overflow} when it is too large for
# single precision, or {none} when the text does not start with a number.
proc ::rilo::read_number {text} {
    variable number_re
    variable too_large
    regexp $number_re $text used sign whole fraction exponent
    if {$whole eq "" && $fraction eq ""} {
        return none
    }
    set used [string trimleft $used " \t\n\v\f\r"]
    if {$exponent eq ""} {
        set exponent 0
    }
    # With a point and an exponent the text always reads as a double, never
    # as an octal integer.
    if {[catch {expr {double("${sign}0$whole.${fraction}0e$exponent")}} value]} {
        set value 0.0  ;# far too small for a double: reads as zero
    }
    set digits [string trimleft $whole$fraction 0]
    if {$digits eq ""} {
        return [list ok [single $value] $used]
    }
    # The magnitude is DIGITS x 10^power; its leading digit has the decimal
    # exponent lead.  Tcl's integers are unbounded, so the test is exact.
    set power [expr {[decimal $exponent] - [string length $fraction]}]
    set lead [expr {$power + [string length $digits] - 1}]
    if {$lead < 38} {
        return [list ok [single $value] $used]
    }
    if {$lead > 38} {
        return overflow
    }
    if {$power >= 0} {
        set large [expr {$digits * 10**$power >= $too_large}]
    } else {
        set large [expr {$digits >= $too_large * 10**(-$power)}]
    }
    if {$large} {
        return overflow
    }
    return [list ok [single $value] $used]
}

# VALUE rounded to single precision, as the command holds it.
proc ::rilo::single {value} {
    binary scan [binary format f $value] f value
    return $value
}

# The integer written in decimal as TEXT (an optional sign and digits),
# leading zeros and all.
proc ::rilo::decimal {text} {
    set negative [string match -* $text]
    set digits [string trimleft [string trimleft $text +-] 0]
    if {$digits eq ""} {
        return 0
    }
    return [expr {$negative ? -$digits : $digits}]
}

# Whether each field can be sent, with a note for the user: a list of
# {FIELD STATE NOTE} where STATE is ok, note (sendable, with a remark) or bad.
proc ::rilo::check_fields {} {
    variable ui
    set result {}
    foreach field {frequency amplitude offset} {
        if {$field eq "offset" && $ui(random)} {
            lappend result [list $field ok ""]
            continue
        }
        set text [string trim $ui($field)]
        set reading [read_number $text]
        switch -- [lindex $reading 0] {
            none {
                if {$text eq ""} {
                    lappend result [list $field bad "enter a number"]
                } else {
                    lappend result [list $field bad "not a number"]
                }
            }
            overflow {
                lappend result [list $field bad "too large"]
            }
            ok {
                set used [lindex $reading 2]
                if {$used ne $text} {
                    lappend result [list $field note "reads as $used"]
                } else {
                    lappend result [list $field ok ""]
                }
            }
        }
    }
    return $result
}

# Whether the values can be sent: two different axes and three numbers.
proc ::rilo::ready {} {
    variable ui
    if {$ui(freq_axis) eq $ui(amp_axis)} {
        return 0
    }
    foreach item [check_fields] {
        if {[lindex $item 1] eq "bad"} {
            return 0
        }
    }
    return 1
}

# The seven parameters of pjtrilo_go for the values being edited.  The
# numbers go as typed: through expr, Tcl 8 would send 010 as 8 and 0x10 as
# 16, and Tcl 9 1_000 as 1000, where the command reads 10, 0 and 1.
proc ::rilo::parameters {} {
    variable ui
    set offset [string trim $ui(offset)]
    if {$ui(random)} {
        set offset random
    }
    return [list $ui(freq_axis) $ui(amp_axis) [string trim $ui(frequency)] [string trim $ui(amplitude)] \
        $offset [expr {$ui(additive) ? 1 : 0}] [expr {$ui(freq_units) ? 1 : 0}]]
}

# Calls the host's hook NAME with ARGS where the host defines it; "" elsewhere.
proc ::rilo::hook {name args} {
    if {![llength [info commands ::rilo_host::$name]]} {
        return ""
    }
    return [uplevel #0 [linsert $args 0 ::rilo_host::$name]]
}

proc ::rilo::host_changed {} {
    refresh
}

# Opens the dialog, or brings it forward when it is already open.
proc pjtrilo_dialog {} {
    if {[catch {package require Tk} problem]} {
        return -code error "rilo: the dialog needs Tk: $problem"
    }
    if {![package vsatisfies [package present Tk] 8.5-]} {
        return [::rilo::cannot_open "rilo: the dialog needs Tcl/Tk 8.5 or later; this is Tk [package present Tk]"]
    }
    set top $::rilo::top
    if {[winfo exists $top]} {
        wm deiconify $top
        raise $top
        focus $top.f.wave.frequency
        ::rilo::hook opened $top
        return
    }
    ::rilo::build $top
}

proc ::rilo::styles {} {
    ttk::style configure Rilo.Bad.TEntry -fieldbackground #ffd7d7
    ttk::style configure Rilo.Problem.TLabel -foreground #b00000
    ttk::style configure Rilo.Remark.TLabel -foreground #6a5000
    ttk::style configure Rilo.Help.TLabel -foreground #404040
}

proc ::rilo::build {top} {
    variable ui
    variable last
    array set ui [array get last]
    styles

    toplevel $top
    wm withdraw $top
    wm title $top Rilo
    wm resizable $top 0 0
    wm protocol $top WM_DELETE_WINDOW ::rilo::cancel
    # Kept above the modeller's window, when that window is shown.
    if {[winfo viewable .]} {
        wm transient $top .
    }
    set f [ttk::frame $top.f -padding 10]
    pack $f -fill both -expand 1
    # Created in reading order, which is the order Tab visits the controls.
    build_axes $f.axes
    build_sketch $f.sketch
    build_wave $f.wave
    build_shape $f.shape
    build_extent $f
    ttk::label $f.help -style Rilo.Help.TLabel -width 1 -takefocus 0 -text $::rilo::help(idle)
    build_buttons $f.buttons

    grid $f.axes $f.sketch -sticky nsew -padx {0 8} -pady {0 8}
    grid $f.wave ^ -sticky nsew -padx {0 8} -pady {0 8}
    grid $f.shape - -sticky nsew -pady {0 8}
    if {[host_tells_selection]} {
        grid $f.extent - -sticky ew
        grid $f.extent_note - -sticky ew -pady {0 6}
    }
    grid $f.help - -sticky ew -pady {0 6}
    grid $f.buttons - -sticky e
    grid configure $f.sketch -padx 0
    grid columnconfigure $f 1 -weight 1
    bind_keys $top

    # A dialog closed with the main window may have left its trace behind.
    trace remove variable ::rilo::ui write ::rilo::refresh
    trace add variable ::rilo::ui write ::rilo::refresh
    refresh
    place_over $top
    # The host may place the dialog before it shows.
    hook opened $top
    wm deiconify $top
    focus $f.wave.frequency
    $f.wave.frequency selection range 0 end
    $f.wave.frequency icursor end
}

# Axes: one row of choices for each.
proc ::rilo::build_axes {a} {
    ttk::labelframe $a -text Axes -padding {8 4 8 6}
    foreach {row key label under} {0 freq "Frequency along" 0 1 amp "Amplitude along" 11} {
        ttk::label $a.${key}_label -text $label -underline $under -takefocus 0
        grid $a.${key}_label -row $row -column 0 -sticky w -padx {0 10} -pady 2
        set column 1
        foreach axis {x y z} {
            ttk::radiobutton $a.${key}_$axis -text [string toupper $axis] -value $axis \
                -variable ::rilo::ui(${key}_axis)
            grid $a.${key}_$axis -row $row -column $column -sticky w -padx {0 8}
            hint $a.${key}_$axis ${key}_axis
            incr column
        }
        hint $a.${key}_label ${key}_axis
    }
    ttk::label $a.note -style Rilo.Problem.TLabel -wraplength 130 -takefocus 0
    grid $a.note -row 0 -column 4 -rowspan 2 -sticky w -padx {8 0}
    grid columnconfigure $a 4 -weight 1
}

# The wave: frequency and its units, amplitude, offset.
proc ::rilo::build_wave {w} {
    ttk::labelframe $w -text Wave -padding {8 4 8 6}
    ttk::label $w.frequency_label -text Frequency -underline 3
    marked_entry $w frequency
    ttk::label $w.frequency_note -width 16 -style Rilo.Problem.TLabel
    ttk::radiobutton $w.per_unit -text "cycles per model unit" -underline 17 -value 1 -variable ::rilo::ui(freq_units)
    ttk::radiobutton $w.across -text "cycles across the selection" -underline 18 -value 0 \
        -variable ::rilo::ui(freq_units)
    ttk::label $w.amplitude_label -text Amplitude -underline 1
    marked_entry $w amplitude
    ttk::label $w.amplitude_unit -text "model units"
    ttk::label $w.amplitude_note -width 16 -style Rilo.Problem.TLabel
    ttk::label $w.offset_label -text Offset -underline 0
    marked_entry $w offset
    ttk::label $w.offset_unit -text "% of a cycle"
    ttk::label $w.offset_note -width 16 -style Rilo.Problem.TLabel
    ttk::checkbutton $w.random -text "random phase per object" -underline 0 -variable ::rilo::ui(random)
    foreach label [winfo children $w] {
        if {[winfo class $label] eq "TLabel"} {
            $label configure -takefocus 0
        }
    }

    grid $w.frequency_label $w.frequency_mark $w.frequency_note - -sticky w -pady 2
    grid x $w.per_unit - - -sticky w
    grid x $w.across - - -sticky w -pady {0 6}
    grid $w.amplitude_label $w.amplitude_mark $w.amplitude_unit $w.amplitude_note -sticky w -pady 2
    grid $w.offset_label $w.offset_mark $w.offset_unit $w.offset_note -sticky w -pady 2
    grid x $w.random - - -sticky w
    grid configure $w.frequency_label $w.amplitude_label $w.offset_label -padx {0 10}
    grid configure $w.amplitude_unit $w.offset_unit -padx {6 6}
    grid configure $w.frequency_note -padx {6 0}
    grid columnconfigure $w 3 -weight 1
    foreach {widget key} {frequency_label frequency frequency frequency per_unit per_unit across across
                          amplitude_label amplitude amplitude amplitude amplitude_unit amplitude
                          offset_label offset offset offset offset_unit offset random random} {
        hint $w.$widget $key
    }
}

# The entry of FIELD, inside a plain Tk frame that refresh turns into a red
# ring while the text cannot be sent: every theme shows a frame's colour,
# where some (Windows's vista) draw no entry's field background.
proc ::rilo::marked_entry {w field} {
    frame $w.${field}_mark -borderwidth 0 -highlightthickness 0 -takefocus 0
    ttk::entry $w.$field -width 12 -textvariable ::rilo::ui($field)
    pack $w.$field -in $w.${field}_mark -padx 2 -pady 2
}

# How the wave meets the existing shape.
proc ::rilo::build_shape {s} {
    ttk::labelframe $s -text Shape -padding {8 4 8 6}
    ttk::radiobutton $s.additive -text "Add the wave to the existing shape" -underline 1 -value 1 \
        -variable ::rilo::ui(additive)
    ttk::radiobutton $s.curve -text "Place every vertex on one curve, from the lowest vertex" -underline 12 \
        -value 0 -variable ::rilo::ui(additive)
    grid $s.additive -sticky w -pady 1
    grid $s.curve -sticky w -pady 1
    hint $s.additive additive
    hint $s.curve curve
}

# Where the selection lies, and what is wrong with it for the wave: shown
# only where the host tells (the selection hook).
proc ::rilo::build_extent {f} {
    ttk::label $f.extent -style Rilo.Help.TLabel -width 1 -takefocus 0
    ttk::label $f.extent_note -style Rilo.Remark.TLabel -width 1 -takefocus 0
    hint $f.extent extent
    hint $f.extent_note extent
}

# The sketch of the wave: shown, never focused.
proc ::rilo::build_sketch {p} {
    ttk::labelframe $p -text Preview -padding 6
    canvas $p.canvas -width 240 -height 150 -background white -highlightthickness 1 \
        -highlightbackground #a0a0a0 -takefocus 0
    pack $p.canvas -fill both -expand 1
    bind $p.canvas <Configure> ::rilo::draw_preview
    hint $p.canvas preview
}

proc ::rilo::build_buttons {b} {
    ttk::frame $b
    ttk::button $b.ok -text OK -underline 1 -width 9 -default active -command ::rilo::ok
    ttk::button $b.cancel -text Cancel -underline 0 -width 9 -command ::rilo::cancel
    ttk::button $b.apply -text Apply -underline 0 -width 9 -command ::rilo::apply
    pack $b.apply $b.cancel $b.ok -side right -padx {6 0}
    foreach key {ok cancel apply} {
        hint $b.$key $key
    }
}

proc ::rilo::bind_keys {top} {
    variable alt_keys
    # Return on a focused button presses that button; anywhere else it is OK.
    bind $top.f.buttons.cancel <Return> {::rilo::cancel; break}
    bind $top.f.buttons.apply <Return> {::rilo::apply; break}
    bind $top <Return> {::rilo::ok; break}
    bind $top <KP_Enter> {::rilo::ok; break}
    bind $top <Escape> {::rilo::cancel; break}
    foreach {key action} $alt_keys {
        bind $top <Alt-Key-$key> [list ::rilo::alt_key $action]
        bind $top <Alt-Key-[string toupper $key]> [list ::rilo::alt_key $action]
    }
}

proc ::rilo::alt_key {action} {
    variable top
    variable ui
    lassign $action how what
    switch -- $how {
        axis {
            focus $top.f.axes.${what}_$ui(${what}_axis)
        }
        entry {
            set w $top.f.wave.$what
            if {[$w instate disabled]} {
                bell
                return -code break
            }
            focus $w
            $w selection range 0 end
            $w icursor end
        }
        invoke {
            set w $top.f.$what
            if {![string match buttons.* $what]} {
                focus $w
            }
            $w invoke
        }
    }
    return -code break
}

# Shows a control's help in the help line while the pointer or the focus is on it.
proc ::rilo::hint {widget key} {
    bind $widget <Enter> +[list ::rilo::show_help $key]
    bind $widget <Leave> +[list ::rilo::show_help idle]
    bind $widget <FocusIn> +[list ::rilo::show_help $key]
}

proc ::rilo::show_help {key} {
    variable top
    variable help
    if {[winfo exists $top.f.help]} {
        $top.f.help configure -text $help($key)
    }
}

# Centres the dialog over the main window, or on the screen when that is hidden.
proc ::rilo::place_over {top} {
    update idletasks
    set width [winfo reqwidth $top]
    set height [winfo reqheight $top]
    if {[winfo viewable .]} {
        set x [expr {[winfo rootx .] + ([winfo width .] - $width) / 2}]
        set y [expr {[winfo rooty .] + ([winfo height .] - $height) / 2}]
    } else {
        set x [expr {([winfo screenwidth $top] - $width) / 2}]
        set y [expr {([winfo screenheight $top] - $height) / 3}]
    }
    wm geometry $top +[expr {max($x, 0)}]+[expr {max($y, 0)}]
}

# Brings the controls in line with the values: notes, the offset entry, the
# buttons and the sketch.
proc ::rilo::refresh {args} {
    variable top
    variable ui
    if {![winfo exists $top.f.buttons]} return
    set w $top.f.wave
    set around [ttk::style lookup TLabelframe -background {} [ttk::style lookup . -background]]
    foreach item [check_fields] {
        lassign $item field state note
        $w.$field configure -style [expr {$state eq "bad" ? "Rilo.Bad.TEntry" : "TEntry"}]
        $w.${field}_mark configure -background [expr {$state eq "bad" ? "#d00000" : $around}]
        $w.${field}_note configure -text $note \
            -style [expr {$state eq "bad" ? "Rilo.Problem.TLabel" : "Rilo.Remark.TLabel"}]
    }
    $w.offset state [expr {$ui(random) ? "disabled" : "!disabled"}]
    $w.offset_unit state [expr {$ui(random) ? "disabled" : "!disabled"}]
    if {$ui(freq_axis) eq $ui(amp_axis)} {
        $top.f.axes.note configure -text "Choose two different axes."
    } else {
        $top.f.axes.note configure -text ""
    }
    set ready [ready]
    hook edited [expr {$ready ? [parameters] : {}}]
    set extent [selection_extent]
    show_extent $extent
    set ready [expr {$ready && $extent ne {}}]
    $top.f.buttons.ok state [expr {$ready ? "!disabled" : "disabled"}]
    $top.f.buttons.apply state [expr {$ready && [hook applicable] ne "0" ? "!disabled" : "disabled"}]
    draw_preview
}

proc ::rilo::host_tells_selection {} {
    llength [info commands ::rilo_host::selection]
}

# Where the selection lies along the frequency axis, as the host tells it:
# {} while nothing is selected, or "unknown" where the host does not say.
proc ::rilo::selection_extent {} {
    variable ui
    if {![host_tells_selection]} {
        return unknown
    }
    return [hook selection $ui(freq_axis)]
}

# The two lines under the values: the selection's extent along the
# frequency axis with the wave's length, and a remark on them.
proc ::rilo::show_extent {extent} {
    variable top
    if {$extent eq "unknown"} return
    if {[catch {extent_lines $extent} lines]} {
        set lines [list "" ""]  ;# a coordinate that is not a number
    }
    $top.f.extent configure -text [lindex $lines 0]
    $top.f.extent_note configure -text [lindex $lines 1] \
        -style [expr {[llength $extent] ? "Rilo.Remark.TLabel" : "Rilo.Problem.TLabel"}]
}

proc ::rilo::extent_lines {extent} {
    variable ui
    if {![llength $extent]} {
        return [list "" "Nothing is selected: select what the wave should move."]
    }
    set low [dict get $extent low]
    set high [dict get $extent high]
    set text "Selection along [string toupper $ui(freq_axis)]: [format %g $low] to [format %g $high]\
        ([units [expr {$high - $low}]])"
    set length [wavelength [expr {$high - $low}]]
    if {$length eq ""} {
        return [list $text ""]
    }
    append text ", wavelength [units $length]"
    set spacing [dict get $extent spacing]
    if {$length < 2 * $spacing} {
        return [list $text "Below twice the vertex spacing ([format %g $spacing]): the wave will alias."]
    }
    return [list $text ""]
}

proc ::rilo::units {length} {
    return "[format %g $length] unit[expr {$length == 1 ? "" : "s"}]"
}

# The length of one cycle, in model units, over a selection SPAN units
# long, as the command reads the frequency; "" without a wave (no number,
# a frequency of zero, or cycles across a selection of no extent).
proc ::rilo::wavelength {span} {
    variable ui
    set reading [read_number [string trim $ui(frequency)]]
    if {[lindex $reading 0] ne "ok" || [lindex $reading 1] == 0 || (!$ui(freq_units) && $span == 0)} {
        return ""
    }
    set cycles [expr {abs([lindex $reading 1])}]
    return [expr {$ui(freq_units) ? 1.0 / $cycles : $span / $cycles}]
}

# The sketch: the wave over the width of the canvas, the amplitude scaled to
# its height.  It follows pjtrilo_go: across the selection the canvas is the
# whole extent and the offset is scaled by the frequency; per model unit it
# shows a span of model units chosen so that the cycles stay legible.
proc ::rilo::draw_preview {args} {
    variable top
    variable ui
    set c $top.f.sketch.canvas
    if {![winfo exists $c]} return
    $c delete all
    set width [winfo width $c]
    set height [winfo height $c]
    if {$width < 2} {
        set width [winfo reqwidth $c]
        set height [winfo reqheight $c]
    }
    set values [preview_values]
    if {![llength $values]} {
        $c create text [expr {$width / 2}] [expr {$height / 2}] -fill #808080 -justify center \
            -text "Enter numbers\nto see the wave" -tags message
        return
    }

    # A label row above the plot, a caption row below, and room for the
    # frequency axis's name at the right end of the middle line.
    set left 12
    set right [expr {$width - 22}]
    set high 24
    set low [expr {$height - 24}]
    set mid [expr {($high + $low) / 2.0}]
    set reach [expr {($low - $high) / 2.0 - 2}]
    $c create line $left $mid $right $mid -fill #b0b0b0 -dash {4 3}
    $c create line $left $high $left $low -fill #b0b0b0
    $c create text [expr {$width - 11}] $mid -fill #808080 -text [string toupper $ui(freq_axis)]
    lassign $values frequency amplitude offset
    lassign [preview_span $frequency $offset] cycles phase where
    set caption "[format %g $cycles] cycle[expr {$cycles == 1 ? "" : "s"}] $where"
    set sign [expr {$amplitude < 0 ? -1 : ($amplitude > 0 ? 1 : 0)}]
    set steps [expr {int($right - $left)}]
    if {abs($cycles) * 8 > $steps} {
        # Too many cycles to tell apart: the band they fill.
        $c create rectangle $left [expr {$mid - $reach * abs($sign)}] $right [expr {$mid + $reach * abs($sign)}] \
            -fill #c8d8f0 -outline #1f5fbf -tags wave
        set caption "[format %g $cycles] cycles: too dense to draw"
        set phases {}
    } elseif {$ui(random)} {
        # Each object starts elsewhere on the wave.
        set phases {0.0 0.3 0.6}
    } else {
        set phases [list $phase]
    }
    $c create text [expr {$left - 4}] 4 -anchor nw -fill #808080 \
        -text "[string toupper $ui(amp_axis)]  \u00b1[format %g [expr {abs($amplitude)}]]"
    preview_curves $c $phases $left $steps $mid [expr {$sign * $reach}] $cycles
    $c create text [expr {$width / 2}] [expr {$height - 4}] -anchor s -fill #505050 -text $caption -tags caption
}

# One curve for each starting phase, the first in front; HEIGHT is the
# signed amplitude in pixels.
proc ::rilo::preview_curves {c phases left steps mid height cycles} {
    set first 1
    foreach start $phases {
        set points {}
        for {set i 0} {$i <= $steps} {incr i} {
            set t [expr {double($i) / $steps}]
            set y [expr {$mid - $height * sin(2 * acos(-1) * ($start + $cycles * $t))}]
            lappend points [expr {$left + $i}] $y
        }
        if {$first} {
            $c create line $points -fill #1f5fbf -width 2 -tags wave
            set first 0
        } else {
            $c create line $points -fill #9fb7df -tags ghost
            $c lower ghost wave
        }
    }
}

# The frequency, amplitude and offset as the command reads them (a random
# phase reads as offset 0); empty while one of them is not a number.
proc ::rilo::preview_values {} {
    variable ui
    set values {}
    foreach field {frequency amplitude offset} {
        set reading [read_number [string trim $ui($field)]]
        if {[lindex $reading 0] ne "ok"} {
            if {$field ne "offset" || !$ui(random)} {
                return {}
            }
            set reading {ok 0.0}
        }
        lappend values [lindex $reading 1]
    }
    return $values
}

# What the sketch spans: {CYCLES PHASE WHERE}, the cycles it shows, the
# phase they start at and the caption's words for the span.
proc ::rilo::preview_span {frequency offset} {
    variable ui
    set offset [expr {$ui(random) ? 0.0 : $offset / 100.0}]
    if {!$ui(freq_units)} {
        return [list $frequency [expr {$offset * $frequency}] "across the selection"]
    }
    # A power of ten of model units that holds between about half a cycle and six.
    set span 1.0
    set f [expr {abs($frequency)}]
    while {$f * $span > 6 && $span > 1e-30} {set span [expr {$span / 10}]}
    while {$f > 0 && $f * $span < 0.5 && $span < 1e30} {set span [expr {$span * 10}]}
    return [list [expr {$frequency * $span}] $offset "in [format %g $span] unit[expr {$span == 1 ? "" : "s"}]"]
}

# The parameters for pjtrilo_go, with the values kept for next time; empty,
# with a bell, when the values cannot be sent.
proc ::rilo::take {} {
    variable ui
    variable last
    if {![ready] || [selection_extent] eq {}} {
        bell
        return {}
    }
    array set last [array get ui]
    foreach field {frequency amplitude offset} {
        set last($field) [string trim $ui($field)]
    }
    return [parameters]
}

proc ::rilo::run {parameters} {
    if {[hook run $parameters] eq "1"} {
        return
    }
    uplevel #0 [linsert $parameters 0 pjtrilo_go]
}

proc ::rilo::apply {} {
    set parameters [take]
    if {[llength $parameters]} {
        run $parameters
    }
}

proc ::rilo::ok {} {
    set parameters [take]
    if {[llength $parameters]} {
        dismiss
        run $parameters
    }
}

proc ::rilo::cancel {} {
    dismiss
}

proc ::rilo::dismiss {} {
    variable top
    trace remove variable ::rilo::ui write ::rilo::refresh
    destroy $top
    hook closed
}
