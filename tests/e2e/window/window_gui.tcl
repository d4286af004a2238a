# The main window (standin --gui MODEL.ac): the model opened from the command
# line and from the File menu, drawn, selected by clicking, waved through the
# dialog, undone and saved, the unsaved-changes question, and the view
# following the window's size.  Run with examples/banner.ac as the model.
source [file join [file dirname [info script]] .. lib.tcl]
windows_under_test

set work [scratch window_gui]

# The box the model covers in the drawing, and the viewport it must stay in.
proc drawn_box {} {
    settle
    list [dict get $::standin::gui::view(drawn,[::standin::gui::view_name]) box] [::standin::gui::viewport]
}

# Whether the drawing lies in the viewport and fills it across one of its dimensions.
proc fits {} {
    lassign [drawn_box] box port
    lassign $box x0 y0 x1 y1
    lassign $port left top right bottom
    # bbox grows each side by a pixel or two for the line width.
    set inside [expr {$x0 >= $left - 2 && $y0 >= $top - 2 && $x1 <= $right + 2 && $y1 <= $bottom + 2}]
    set filled [expr {max(($x1 - $x0) / double($right - $left), ($y1 - $y0) / double($bottom - $top))}]
    expr {$inside && $filled > 0.8}
}

test window-opened {the model named on the command line is open, drawn and listed} {
    settle
    set tree .main.objects.list
    set names {}
    foreach item [$tree children {}] {
        lappend names [$tree item $item -text] [lmap child [$tree children $item] {$tree item $child -text}]
    }
    list [wm title .] $names [expr {[llength [.view find withtag picture]] > 0}] [fits] $::standin::gui::bands(counts)
} {{banner.ac - standin} {flagpole {pole banner}} 1 1 {3 objects, 183 vertices, 150 surfaces}}

test window-view-words {the view command words a bad word, and codes its error, as the standin command does} {
    lmap call {{axes 0 up} {point 1 x} {pick edges 0 0} {turn} {axes 0}} {
        catch {::standin::view {*}$call} message options
        list [lindex [split $message :] 0] [dict get $options -errorcode]
    }
} {{{expected a number, found 'up'} {STANDIN REFUSED}} {{expected an integer, found 'x'} {STANDIN REFUSED}} {{expected objects, surfaces or vertices, found 'edges'} {STANDIN REFUSED}} {{unknown subcommand 'turn'} {STANDIN USAGE}} {usage {STANDIN USAGE}}}

test window-click {a click selects what is under it in the selection mode; Shift adds} {
    set result {}
    foreach {mode clicks expected} {
        objects {{banner 30 0}} {objects 1 banner}
        objects {{pole 4 0} {banner 30 1}} {objects 2 {pole banner}}
        objects {{banner 30 0} {banner 31 1}} {objects 1 banner}
        vertices {{banner 30 0} {banner 31 1}} {vertices 2 banner}
        vertices {{pole 0 0}} {vertices 1 pole}
    } {
        ::standin::gui::set_mode $mode
        foreach click $clicks {
            click {*}$click
        }
        lappend result [expr {[selection] eq $expected ? "ok" : "$mode $clicks: [selection]"}]
    }
    set tree [lmap item [.main.objects.list selection] {.main.objects.list item $item -text}]
    ::standin::gui::set_mode objects
    lappend result $tree [selection]
} {ok ok ok ok ok pole {objects 1 pole}}

test window-mode-switch {switching the mode takes the selection over; the tree selects objects} {
    click banner 30
    ::standin::gui::set_mode vertices
    set vertices [selection]
    ::standin::gui::set_mode objects
    set objects [selection]
    select_in_tree [list o[object_id pole]]
    list $vertices $objects [selection]
} {{vertices 175 banner} {objects 1 banner} {objects 1 pole}}

test window-wave-undo {the dialog's wave marks the model changed; undo brings it back unmarked} {
    set banner [object_id banner]
    set start [standin get $banner]
    click banner 30
    open_dialog
    set ::rilo::ui(amp_axis) z
    .rilo.f.buttons.ok invoke
    settle
    set waved [expr {[standin get $banner] ne $start}]
    set titles [list [wm title .]]
    .menubar.edit invoke Undo
    settle
    list $waved $titles [wm title .] [expr {[standin get $banner] eq $start}]
} {1 {{banner.ac* - standin}} {banner.ac - standin} 1}

test window-save-as {Save As writes through standin save; the saved file reads back as shown} {
    open_dialog
    .rilo.f.buttons.ok invoke
    settle
    set shown [standin get [object_id banner]]
    set before [wm title .]
    set path [file join $::work waved.ac]
    proc ::tk_getSaveFile {args} [list return $path]
    .menubar.file invoke "Save As..."
    settle
    set after [wm title .]
    ::standin::gui::open_model $path
    settle
    set head [string range [read_text $path] 0 4]
    # Coordinates go back through the objects' placements, hence the tolerance.
    list $before $after [near [standin get [object_id banner]] $shown 1e-5] $head
} {{banner.ac* - standin} {waved.ac - standin} 1 AC3Db}

# Answers the question the window asks (unsaved changes, or a file changed
# on disk) with CHOICE once it shows; notes what was asked.
proc answer {choice {tries 250}} {
    foreach w {.unsaved .changed} {
        if {[winfo exists $w.f.$choice]} {
            lappend ::asked [$w.f.text cget -text]
            $w.f.$choice invoke
            return
        }
    }
    if {$tries > 0} {
        after 20 [list answer $choice [expr {$tries - 1}]]
    }
}

test window-open-menu {File > Open asks before dropping changes: Cancel keeps them, Discard opens} {
    proc ::tk_getOpenFile {args} [list return $::model]
    set ::asked {}
    set result {}
    click banner 30
    foreach choice {cancel discard} {
        open_dialog
        .rilo.f.buttons.ok invoke
        settle
        after 20 [list answer $choice]
        .menubar.file invoke Open...
        settle
        lappend result $choice [wm title .] [llength [standin history]]
    }
    list $::asked $result
} {{{Save the changes to waved.ac?} {Save the changes to waved.ac?}} {cancel {waved.ac* - standin} 1 discard {banner.ac - standin} 0}}

test window-open-refused {a file that cannot be read, or is not a regular file, is reported at once and the model stays; a repaired one is told once; names show control bytes escaped; standin --gui prints the same line and ends} -body {
    set result {}
    foreach {name content} [list bad.ac "not a model\n" fifo.ac {} bom.ac "\xef\xbb\xbf[read_text $::model]" \
                                 "new\nline.ac" [read_text $::model] missing.ac {} "bad\tfolder.ac" {}] {
        set path [file join $::work $name]
        switch -- $name {
            fifo.ac {exec mkfifo $path}
            missing.ac {}
            bad\tfolder.ac {file mkdir $path}
            default {write_text $path $content}
        }
        proc ::tk_getOpenFile {args} [list return $path]
        .menubar.file invoke Open...
        settle
        set shown [expr {[winfo exists .message] ? [.message.f.text cget -text] : ""}]
        destroy .message
        lappend result [lindex [split $shown \n] 0] [wm title .]
        if {[string match "Cannot open*" $shown]} {
            set failed [catch {exec [info nameofexecutable] --gui $path} printed options]
            lappend result [expr {$failed && $printed eq "standin: $shown" &&
                                  [lindex [dict get $options -errorcode] end] == 1}]
        }
        ::standin::gui::open_model $::model
    }
    set result
} -result [list {Cannot open bad.ac: *} {banner.ac - standin} 1 {Cannot open fifo.ac: *not a regular file*} {banner.ac - standin} 1 \
    {bom.ac was repaired as it was read, so saving it will not give back the same file:} {bom.ac* - standin} \
    {} {new\\x0aline.ac - standin} {Cannot open missing.ac: *} {banner.ac - standin} 1 \
    {Cannot open bad\\x09folder.ac: *not a regular file*} {banner.ac - standin} 1] -match glob

test window-view {the view refits to the window's size and on F; the wheel zooms; the views switch} {
    set result {}
    foreach {geometry} {700x450 1100x760} {
        wm geometry . $geometry
        settle
        lappend result [fits]
    }
    lassign [lindex [drawn_box] 0] x0 y0 x1 y1
    set width [expr {$x1 - $x0}]
    lassign [::standin::gui::viewport] left top right bottom
    event generate .view <Button-4> -x [expr {($left + $right) / 2}] -y [expr {($top + $bottom) / 2}]
    settle
    lassign [lindex [drawn_box] 0] x0 y0 x1 y1
    lappend result [expr {$x1 - $x0 > $width * 1.2}]
    event generate .view <Key-f>
    focus -force .view
    event generate .view <Key-f>
    settle
    lappend result [fits]
    foreach view {front top side 3d} {
        ::standin::gui::show $view
        settle
        lappend result [fits]
    }
    set result
} {1 1 1 1 1 1 1 1}

# What the file at PATH holds: the example as it was, another program's
# version of it (the example and a blank line), something else (the
# window's), or nothing.
proc holds {path} {
    if {![file exists $path]} {
        return gone
    }
    set text [read_text $path]
    expr {$text eq $::original ? "original" : $text eq "$::original\n" ? "theirs" : "ours"}
}

# Another program saves PATH as editors do (a new file renamed over it), or
# rewrites it in place.
proc replaced {path} {
    write_text $path.new "$::original\n"
    file rename -force $path.new $path
}
proc rewritten {path} {
    set f [open $path r+b]
    seek $f 0 end
    puts -nonewline $f "\n"
    close $f
}

# The next load or save the window shows busy is slow (a slow disk, say),
# and Escape is pressed while it runs.
proc slow_then_escape {} {
    rename ::standin::gui::progress ::standin::gui::progress_now
    proc ::standin::gui::progress {doing done total} {
        after 350
        after 0 {focus -force ._Busy; event generate ._Busy <Escape>}
        rename ::standin::gui::progress {}
        rename ::standin::gui::progress_now ::standin::gui::progress
        ::standin::gui::progress $doing $done $total
    }
}

# A model of 70,000 vertices: the reader reports its progress once on the way.
proc large_model {path} {
    set f [open $path w]
    puts $f "AC3Db\nOBJECT world\nkids 1\nOBJECT poly\nnumvert 70000"
    for {set i 0} {$i < 70000} {incr i} {
        puts $f "$i 0 0"
    }
    puts $f "numsurf 0\nkids 0"
    close $f
}

proc look {} {
    settle
    lappend ::titles [wm title .]
}

test window-work-kept {the title follows the scene and its file; Save asks before writing over another program's work; a failed or cancelled open, or a failed save, changes nothing} {
    set ::original [read_text $::model]
    file copy -force $::model [file join $::work b.ac]
    proc ::tk_getSaveFile {args} {file join $::work kept.ac}
    set result {}
    foreach {name action choice expected} {
        renamed {replaced $file; .menubar.file invoke Save} cancel
            {{renamed.ac* - standin} {{renamed.ac was changed by another program.}} theirs gone {replaced by another file *} {}}
        overwrite {replaced $file; .menubar.file invoke Save} overwrite
            {{overwrite.ac - standin} {{overwrite.ac was changed by another program.}} ours gone {} {}}
        in-place {rewritten $file; .menubar.file invoke Save} save_as
            {{kept.ac - standin} {{in-place.ac was changed by another program.}} theirs ours {} {}}
        script-load {standin load [file join $::work b.ac]; look; .menubar.file invoke Save} -
            {{b.ac - standin} {b.ac - standin} {} original gone {} {}}
        script-new {standin new; look; standin object extra} -
            {{untitled - standin} {untitled* - standin} {} original gone {} {}}
        script-apply {standin apply $file [file join $::work applied.ac] --freq-axis x --amp-axis y \
                      --frequency 1 --amplitude 0.1} -
            {{applied.ac - standin} {} original gone {} {}}
        failed-open {proc ::tk_getOpenFile {args} {file join $::work bad.ac}; .menubar.file invoke Open...; look
                     .menubar.edit invoke Undo} discard
            {{failed-open.ac* - standin} {failed-open.ac - standin} {{Save the changes to failed-open.ac?}}
             original gone {} {Cannot open bad.ac: *}}
        cancelled-open {slow_then_escape; large_model [file join $::work large.ac]
                        proc ::tk_getOpenFile {args} {file join $::work large.ac}; .menubar.file invoke Open...} discard
            {{cancelled-open.ac* - standin} {{Save the changes to cancelled-open.ac?}} original gone {} {}}
        size-limit {exec prlimit --pid [pid] --fsize=8000:unlimited; .menubar.file invoke Save
                    exec prlimit --pid [pid] --fsize=unlimited} -
            {{size-limit.ac* - standin} {} original gone {} {Cannot save size-limit.ac: *File too large*}}
        undo-past-save {.menubar.file invoke Save; look; .menubar.edit invoke Undo} -
            {{undo-past-save.ac - standin} {undo-past-save.ac* - standin} {} ours gone {} {}}
    } {
        set file [file join $::work $name.ac]
        file copy -force $::model $file
        file delete [file join $::work kept.ac]
        ::standin::gui::open_model $file
        standin select all
        pjtrilo_go x z 0.75 0.12 0 1 1
        set ::asked {}
        set ::titles {}
        if {$choice ne "-"} {
            after 20 [list answer $choice]
        }
        eval $action
        look
        set shown [expr {[winfo exists .message] ? [.message.f.text cget -text] : ""}]
        destroy .message
        set got [list {*}$::titles [lmap q $::asked {lindex [split $q \n] 0}] [holds $file] \
            [holds [file join $::work kept.ac]] [standin file changes] $shown]
        # The last two, what changed on disk and the message, are patterns.
        set same [expr {[lrange $got 0 end-2] eq [lrange $expected 0 end-2]}]
        foreach pattern [lrange $expected end-1 end] value [lrange $got end-1 end] {
            set same [expr {$same && [string match $pattern $value]}]
        }
        lappend result [expr {$same ? "ok" : "$name: $got"}]
    }
    lappend result [glob -nocomplain -directory $::work -types hidden .rilo*]
} {ok ok ok ok ok ok ok ok ok ok {}}

file delete -force $work
finish
