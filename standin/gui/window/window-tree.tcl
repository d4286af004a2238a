# The main window's tree of objects (sourced by window.tcl): the objects as
# the file marks them, their names and the tooltip, finding them by name,
# Hide, Unhide, Lock and Unlock.
#
# The tree follows the host: the objects' tree's version tells when one
# standin tree call is due; a new set of objects fills the tree anew
# (folded objects closed), a change of flags or sizes only restyles the
# rows.  The selection's rows follow each time the view follows the scene.
# The find field above the tree detaches the rows that neither match nor
# hold a match, and attaches them again as it changes.
#
# This file's state, tree(...):
#   seen        the objects' tree's version the tree shows
#   key         the objects the tree shows, as standin tree gave them
#   rows        the rows of standin tree, by id
#   above       by id: the depth of each object and the flags it takes from above
#   width       what the tree's columns need, in pixels
#   sash        where the window last placed the pane's sash
#   fill        while the tree fills: the rows, how many are in, their labels so far
#   fill_after  the next slice of rows scheduled
#   flagged     how many objects count hidden, and locked, of how many
#   find        the text of the find field
#   find_after  the finding scheduled
#   finding     whether the tree shows only what the find field found
#   shown       while finding, by id: 1 for a match, 0 for a row holding one
#   opened      while finding, by id: whether each parent was open before
#   context     the objects the context menu acts on
# Its procedures for the others: build_tree, fill_tree, clamp_tree_pane,
# tree_font, tree_flagged.
namespace eval ::standin::gui {
    variable tree
    array set tree {seen -1 key "" rows {} above {} width 0 sash -1 fill {} fill_after "" flagged {0 0 0}
        find "" find_after "" finding 0 shown {} opened {} context {}}
}

proc ::standin::gui::build_tree {w} {
    ttk::frame $w
    build_find $w.find
    ttk::treeview $w.list -columns {vertices surfaces} -selectmode extended \
        -yscrollcommand [list $w.scroll set] -xscrollcommand [list $w.xscroll set]
    ttk::scrollbar $w.scroll -orient vertical -command [list $w.list yview]
    ttk::scrollbar $w.xscroll -orient horizontal -command [list $w.list xview]
    $w.list heading #0 -text Object -anchor w
    $w.list heading vertices -text Vertices -anchor e
    $w.list heading surfaces -text Surfaces -anchor e
    $w.list column #0 -width [px 140] -stretch 1
    $w.list column vertices -width [px 76] -anchor e -stretch 0
    $w.list column surfaces -width [px 76] -anchor e -stretch 0
    grid $w.find - -sticky ew -pady [px 0 4]
    grid $w.list $w.scroll -sticky nsew
    grid $w.xscroll -sticky ew
    grid rowconfigure $w 1 -weight 1
    grid columnconfigure $w 0 -weight 1
    bind $w.list <<TreeviewSelect>> ::standin::gui::tree_selected
    style_tree $w.list
    build_tree_menus $w.list
    bind $w.list <Configure> ::standin::gui::fit_tree_columns
    bind $w.list <Motion> {::standin::gui::tree_hover %W %x %y %X %Y}
    bind $w.list <Leave> ::standin::gui::tip_hide
    bind $w.list <ButtonPress> +::standin::gui::tip_hide
}

# The find field: typing shows the objects whose names match, Enter
# selects them, Escape shows every object again.
proc ::standin::gui::build_find {f} {
    ttk::frame $f
    ttk::label $f.label -text Find:
    ttk::entry $f.entry -width 6 -textvariable ::standin::gui::tree(find)
    ttk::label $f.note -foreground #767c86
    grid $f.label $f.entry $f.note -sticky ew
    grid configure $f.entry -padx [px 4]
    grid columnconfigure $f 1 -weight 1
    entry_habits $f.entry
    bind $f.entry <Return> {::standin::gui::select_found; break}
    bind $f.entry <KP_Enter> [bind $f.entry <Return>]
    bind $f.entry <Escape> {set ::standin::gui::tree(find) ""; break}
    bind $f.entry <Enter> {::standin::gui::tip_over find %X %Y ::standin::gui::find_tip}
    bind $f.entry <Leave> ::standin::gui::tip_hide
    trace add variable ::standin::gui::tree(find) write ::standin::gui::find_later
}

proc ::standin::gui::find_tip {} {
    return "Find objects by name: part of it, or a pattern with * ? \[ \]\nEnter: select them    Escape: show all"
}

# The tree's looks: rows as high as the font needs at any scaling, hidden
# and unnamed objects in grey, locked ones in italics.
proc ::standin::gui::style_tree {t} {
    set font [tree_font]
    ttk::style configure Treeview -rowheight [expr {[font metrics $font -linespace] + [px 4]}]
    if {"StandinTreeLocked" ni [font names]} {
        font create StandinTreeLocked {*}[font actual $font]
    }
    font configure StandinTreeLocked {*}[font actual $font] -slant italic
    $t tag configure unnamed -foreground #767c86
    $t tag configure hidden -foreground #9aa0a8
    $t tag configure locked -font StandinTreeLocked
}

proc ::standin::gui::tree_font {} {
    set font [ttk::style lookup Treeview -font]
    expr {$font eq "" ? "TkDefaultFont" : $font}
}

# Edit > Hide and Unhide, for the objects selected; and on the tree's
# context menu, Hide, Unhide, Lock and Unlock.
proc ::standin::gui::build_tree_menus {t} {
    set m .menubar.edit
    $m add separator
    $m add command -label Hide -underline 0 -accelerator Ctrl+H -command {::standin::gui::hide_selected 1}
    $m add command -label Unhide -underline 0 -accelerator Ctrl+Shift+H \
        -command {::standin::gui::hide_selected 0}
    menu $t.context
    foreach {label what keys} {Hide hide Ctrl+H Unhide unhide Ctrl+Shift+H Lock lock "" Unlock unlock ""} {
        $t.context add command -label $label -underline 0 -accelerator $keys \
            -command [list ::standin::gui::flag_context $what]
    }
    bind $t <Button-3> {::standin::gui::tree_context %W %x %y %X %Y}
    bind . <Control-h> {::standin::gui::hide_selected 1; break}
    bind . <Control-H> {::standin::gui::hide_selected 0; break}
    bind . <Control-Shift-h> {::standin::gui::hide_selected 0; break}
    bind . <Control-Shift-H> {::standin::gui::hide_selected 0; break}
}

# ---- Filling the tree

# The tree follows the objects' tree's VERSION ("" while unknown) and the
# selection.
proc ::standin::gui::fill_tree {version} {
    variable tree
    set t .main.objects.list
    if {$version ne "" && $version != $tree(seen)} {
        set tree(seen) $version
        set rows [standin tree]
        if {$rows ne $tree(key)} {
            set refill [expr {[llength $rows] != [llength $tree(key)]
                || [lmap row $rows {lrange $row 0 3}] ne [lmap row $tree(key) {lrange $row 0 3}]}]
            set tree(key) $rows
            style_rows $t $rows $refill
        }
    }
    select_in_tree
}

# The tree's selection follows the scene's, on the rows it has so far.
proc ::standin::gui::select_in_tree {} {
    set t .main.objects.list
    set chosen {}
    foreach id [dict get [scene_summary] selected] {
        if {[$t exists o$id] && [tree_shows $id]} {
            lappend chosen o$id
        }
    }
    if {[lsort $chosen] ne [lsort [$t selection]]} {
        $t selection set $chosen
        if {[llength $chosen]} {
            $t see [lindex $chosen 0]
        }
    }
}

# Every row styled, parents first (as standin tree gives them, so that a
# parent's flags are known before its children's): a flag on one shows on
# everything below it.  With REFILL the rows are made anew, in slices.
proc ::standin::gui::style_rows {t rows refill} {
    variable tree
    set tree(rows) [dict create]
    set tree(fill) {}
    after cancel $tree(fill_after)
    set tree(above) [dict create 0 {-1 {}}]
    count_flagged $rows
    if {$refill} {
        $t delete [$t children {}]
        set tree(finding) 0
        style_tree $t
        set tree(fill) [list $rows 0 {}]
        fill_slice $t
        return
    }
    foreach row $rows {
        lassign [row_look $row] depth text tags
        $t item o[lindex $row 0] -text $text -values [lrange $row 4 5] -tags $tags
    }
    fit_number_columns $t
    find_later
}

# How many objects count hidden (as the tree greys them: by their own flag
# or one above them), how many locked likewise, and of how many.
proc ::standin::gui::count_flagged {rows} {
    variable tree
    set above [dict create 0 {0 0}]
    set hidden 0
    set locked 0
    foreach row $rows {
        lassign $row id parent - - - - own_hidden own_locked
        lassign [dict get $above $parent] h l
        set h [expr {$h || $own_hidden}]
        set l [expr {$l || $own_locked}]
        dict set above $id [list $h $l]
        incr hidden $h
        incr locked $l
    }
    set tree(flagged) [list $hidden $locked [llength $rows]]
}

proc ::standin::gui::tree_flagged {} {
    variable tree
    return $tree(flagged)
}

# Inserts the next rows of a tree being filled, for about 20 ms: the
# first slice at once, then one at each turn of the event loop, so that a
# model of many objects is shown, and the window takes input, while the
# tree fills.
proc ::standin::gui::fill_slice {t} {
    variable tree
    set tree(fill_after) ""
    lassign $tree(fill) rows at labels
    set stop [expr {[clock milliseconds] + 20}]
    # Each turn inserts 500 rows, or the rest: the loop ends with the rows,
    # or once the slice's time is up.
    for {set end $at} {$end < [llength $rows] && [clock milliseconds] < $stop} {} {
        set next [expr {min([llength $rows], $end + 500)}]
        foreach row [lrange $rows $end [expr {$next - 1}]] {
            lassign [row_look $row] depth text tags
            lassign $row id parent
            $t insert [expr {$parent ? "o$parent" : ""}] end -id o$id -open [expr {![lindex $row 8]}] \
                -text $text -values [lrange $row 4 5] -tags $tags
            lappend labels $depth $text
        }
        set end $next
    }
    if {$end < [llength $rows]} {
        # The pane is fitted to the first rows, before the view is drawn,
        # and later only to a name much wider: each fit draws the view anew.
        if {$at == 0} {
            fit_tree $t $labels
        }
        set tree(fill) [list $rows $end $labels]
        set tree(fill_after) [after 0 [list ::standin::gui::fill_slice $t]]
        return
    }
    set tree(fill) {}
    set fitted $tree(width)
    fit_tree $t $labels [expr {$at == 0}]
    if {$at > 0 && $tree(width) > 1.25 * $fitted} {
        fit_tree_pane
    }
    find_now
    select_in_tree
}

# ROW's depth, text and tags in the tree, from its parent's (noted before,
# in tree(above)) and its own flags, noted in turn for its children.
proc ::standin::gui::row_look {row} {
    variable tree
    lassign $row id parent name kind vertices surfaces hidden locked
    dict set tree(rows) $id $row
    lassign [dict get $tree(above) $parent] depth tags
    incr depth
    if {$hidden && "hidden" ni $tags} {
        lappend tags hidden
    }
    if {$locked && "locked" ni $tags} {
        lappend tags locked
    }
    dict set tree(above) $id [list $depth $tags]
    set text [tree_label $row]
    if {"locked" in $tags} {
        append text "  (locked)"
    }
    if {$name eq ""} {
        lappend tags unnamed
    }
    list $depth $text $tags
}

# An object's name, or for an unnamed one its kind and id: "(poly 3)";
# control bytes shown as \xNN.
proc ::standin::gui::tree_label {row} {
    lassign $row id parent name kind
    expr {$name eq "" ? "($kind $id)" : [shown $name]}
}

# The first column as wide as its widest row (text and indent), and with
# PANE the pane as wide as the tree up to two fifths of the window;
# narrower, the tree scrolls sideways.
proc ::standin::gui::fit_tree {t labels {pane 1}} {
    set font [tree_font]
    set indent [ttk::style lookup Treeview -indent]
    set indent [winfo pixels $t [expr {$indent eq "" ? 20 * [tk scaling] / 1.3333 : $indent}]]
    # Measuring every row costs as much as filling the tree: the rows
    # measured are those whose characters at the widest one's width, with
    # the indent, come within a fifth of the most any row could need (at
    # most 256 of them).
    set em [font measure $font W]
    set longest 0
    foreach {depth text} $labels {
        set longest [expr {max($longest, [string length $text] * $em + ($depth + 1) * $indent)}]
    }
    set widest 0
    set measured 0
    foreach {depth text} $labels {
        set room [expr {($depth + 1) * $indent}]
        if {([string length $text] * $em + $room) * 5 >= $longest * 4 && [incr measured] <= 256} {
            set widest [expr {max($widest, [font measure $font $text] + $room)}]
        }
    }
    set pad [font measure $font "mmm"]
    set least [expr {[font measure TkHeadingFont "Object"] + $pad}]
    set first [expr {max($least, $widest + $pad)}]
    # A pane narrower than the tree takes the room from the names, never
    # from the numbers; the tooltip shows a name cut short.
    $t column #0 -width $first -minwidth $least
    fit_number_columns $t
    variable tree
    set tree(width) [expr {$first + [$t column vertices -width] + [$t column surfaces -width] \
        + [winfo reqwidth [winfo parent $t].scroll] + 4}]
    if {!$pane} {
        return
    } elseif {[winfo ismapped $t]} {
        fit_tree_pane
    } else {
        bind $t <Map> {::standin::gui::fit_tree_pane; bind %W <Map> {}}
    }
}

# The columns of numbers as wide as their widest number (in the rows so
# far) or their heading, in the fonts they are shown in, with a margin.
proc ::standin::gui::fit_number_columns {t} {
    variable tree
    set most {0 0}
    dict for {id row} $tree(rows) {
        lassign $row - - - - vertices surfaces
        lassign $most v s
        set most [list [expr {max($v, $vertices)}] [expr {max($s, $surfaces)}]]
    }
    set heading [ttk::style lookup Heading -font]
    set heading [expr {$heading eq "" ? "TkHeadingFont" : $heading}]
    set pad [font measure [tree_font] "00"]
    foreach column {vertices surfaces} number $most {
        set width [font measure $heading [$t heading $column -text]]
        foreach font [list [tree_font] StandinTreeLocked] {
            foreach text [list $number [string repeat 0 [string length $number]]] {
                set width [expr {max($width, [font measure $font $text])}]
            }
        }
        incr width $pad
        $t column $column -width $width -minwidth $width
    }
}

# The sash where the tree has the room it needs, up to two fifths of the
# window, or what its numbers need (up to half of it).
proc ::standin::gui::fit_tree_pane {} {
    variable tree
    set room [winfo width .main]
    if {$room > 1} {
        set tree(sash) [expr {min($tree(width), [tree_pane_most $room])}]
        .main sashpos 0 $tree(sash)
    }
}

# The window's size changed: a sash the window placed is placed again; one
# the user moved stays, but the tree gets at most two fifths of the window
# (or what its numbers need) and at least what its numbers need.
proc ::standin::gui::clamp_tree_pane {} {
    variable tree
    set room [winfo width .main]
    if {$room <= 1} return
    set at [.main sashpos 0]
    if {$at == $tree(sash)} {
        fit_tree_pane
        return
    }
    set most [tree_pane_most $room]
    set least [expr {min([tree_numbers_need], $most)}]
    if {$at > $most || $at < $least} {
        .main sashpos 0 [expr {$at > $most ? $most : $least}]
    }
}

# A tree too narrow for both columns of numbers whole shows the vertices
# alone.
proc ::standin::gui::fit_tree_columns {} {
    set t .main.objects.list
    set room [winfo width $t]
    set need [expr {[$t column #0 -minwidth] + [$t column vertices -width] + [$t column surfaces -width]}]
    set columns [expr {$room <= 1 || $room >= $need ? "#all" : "vertices"}]
    if {[$t cget -displaycolumns] ne $columns} {
        $t configure -displaycolumns $columns
    }
}

# The most room the tree's pane takes of ROOM pixels.
proc ::standin::gui::tree_pane_most {room} {
    expr {max(int($room * 0.4), min([tree_numbers_need], $room / 2))}
}

# The pane's width that shows the numbers whole, the names at their least.
proc ::standin::gui::tree_numbers_need {} {
    set t .main.objects.list
    expr {[$t column #0 -minwidth] + [$t column vertices -width] + [$t column surfaces -width] \
        + [winfo reqwidth .main.objects.scroll] + 4}
}

# A selection made in the tree selects those objects in the scene; the
# tree's own echo of a selection made elsewhere changes nothing.  A locked
# object is refused in the status bar, the selection kept as it was.
proc ::standin::gui::tree_selected {} {
    variable tree
    if {[llength $tree(fill)]} return
    set t .main.objects.list
    set ids [lmap item [$t selection] {string range $item 1 end}]
    set selected [dict get [scene_summary] selected]
    set rows [lmap id $selected {expr {[tree_shows $id] ? $id : [continue]}}]
    if {[lsort -integer $ids] eq [lsort -integer $rows]} return
    foreach id $ids {
        if {[tree_marked $id locked]} {
            say "Cannot select [tree_object_words $id]: it is locked"
            bell
            $t selection set [lmap id $selected {set id o$id}]
            return
        }
    }
    select_objects $ids
}

# Whether an object or one above it is marked with any of FLAGS (hidden,
# locked), as the tree shows it.
proc ::standin::gui::tree_marked {id args} {
    set t .main.objects.list
    if {![$t exists o$id]} {
        return 0
    }
    set tags [$t item o$id -tags]
    expr {[llength [lmap flag $args {expr {$flag in $tags ? $flag : [continue]}}]] > 0}
}

# An object as the status bar names it: object 'name', or object (poly 3).
proc ::standin::gui::tree_object_words {id} {
    variable tree
    set row [dict get $tree(rows) $id]
    set name [lindex $row 2]
    expr {$name eq "" ? "object [tree_label $row]" : "object '[shown $name]'"}
}

# Hides (HIDE 1) or shows again the objects selected in the tree; hidden
# ones leave the selection.
proc ::standin::gui::hide_selected {hide} {
    set ids [lmap item [.main.objects.list selection] {string range $item 1 end}]
    flag_objects [expr {$hide ? "hide" : "unhide"}] $ids
}

# Hides, unhides, locks or unlocks (WHAT) the objects IDS, as the standin
# command of that name does; hidden and locked ones leave the selection.
proc ::standin::gui::flag_objects {what ids} {
    if {![llength $ids]} {
        say "Select the objects to $what in the tree first"
        bell
        return
    }
    set words [expr {[llength $ids] == 1 ? [tree_object_words [lindex $ids 0]] : [plural [llength $ids] object]}]
    if {[catch {standin $what {*}$ids} problem]} {
        say "Cannot $what $words: $problem"
        bell
        return
    }
    say "[dict get {hide Hid unhide Unhid lock Locked unlock Unlocked} $what] $words"
}

# The context menu acts on the row clicked, or on the rows selected when
# it is one of them; the selection stays as it is (a locked object could
# not join it).
proc ::standin::gui::tree_context {t x y rootx rooty} {
    variable tree
    tip_hide
    set item [$t identify item $x $y]
    set items [expr {$item eq "" || $item in [$t selection] ? [$t selection] : [list $item]}]
    set tree(context) [lmap item $items {string range $item 1 end}]
    tk_popup $t.context $rootx $rooty
}

proc ::standin::gui::flag_context {what} {
    variable tree
    flag_objects $what $tree(context)
}

# ---- Finding objects by name

# The find field changed: the rows follow once the typing pauses.
proc ::standin::gui::find_later {args} {
    variable tree
    after cancel $tree(find_after)
    set tree(find_after) [after 40 ::standin::gui::find_now]
}

# Shows the rows that match the find field, and those above them; shows
# every row when it is empty.  A tree still filling is filtered once full.
proc ::standin::gui::find_now {} {
    variable tree
    after cancel $tree(find_after)
    set tree(find_after) ""
    if {[llength $tree(fill)]} return
    set t .main.objects.list
    set note .main.objects.find.note
    if {$tree(find) eq ""} {
        if {$tree(finding)} {
            show_rows $t 0 {}
            dict for {id open} $tree(opened) {
                if {[$t exists o$id]} {
                    $t item o$id -open $open
                }
            }
        }
        $note configure -text ""
        return
    }
    if {!$tree(finding)} {
        set tree(opened) [dict create]
        dict for {id row} $tree(rows) {
            dict set tree(opened) [lindex $row 1] 0
        }
        dict unset tree(opened) 0
        dict for {id open} $tree(opened) {
            dict set tree(opened) $id [$t item o$id -open]
        }
    }
    show_rows $t 1 [found $tree(find)]
    set count [llength [found_ids]]
    $note configure -text [expr {$count ? "$count of [dict size $tree(rows)]" : "no object matches"}]
    if {!$count} {
        suggest_names $tree(find)
    }
    select_in_tree
}

# A name typed that finds nothing: the nearest names in the status line.
proc ::standin::gui::suggest_names {text} {
    set near [standin nearest $text]
    if {[llength $near]} {
        say "No object matches '$text'; the nearest names: [join [lmap name $near {string cat ' $name '}] {, }]"
    }
}

# The rows to show for the find field's TEXT, by id: 1 for an object whose
# name (or label, for one without) holds TEXT, or matches it as a pattern
# when it holds * ? or [, in either case; 0 for one above such an object.
proc ::standin::gui::found {text} {
    variable tree
    set pattern [regexp {[*?\[]} $text]
    set text [string tolower $text]
    set shown [dict create]
    dict for {id row} $tree(rows) {
        set label [string tolower [tree_label $row]]
        if {$pattern ? [string match $text $label] : [string first $text $label] >= 0} {
            dict set shown $id 1
            # Parents come before their children: one already shown has
            # its own parents shown.
            for {set up [lindex $row 1]} {$up != 0 && ![dict exists $shown $up]} {
                set up [lindex [dict get $tree(rows) $up] 1]
            } {
                dict set shown $up 0
            }
        }
    }
    return $shown
}

# The objects that match the find field, in the tree's order.
proc ::standin::gui::found_ids {} {
    variable tree
    if {!$tree(finding)} {
        return {}
    }
    lmap id [dict keys $tree(rows)] {
        expr {[dict exists $tree(shown) $id] && [dict get $tree(shown) $id] ? $id : [continue]}
    }
}

# With FINDING, attaches the rows SHOWN (by id, as found gives them) in the
# tree's order, their parents open, and detaches the others; without, every
# row.  Each parent is given its list of children at once.
proc ::standin::gui::show_rows {t finding shown} {
    variable tree
    set tree(finding) $finding
    set tree(shown) $shown
    set kids [dict create 0 {}]
    set parents [dict create]
    dict for {id row} $tree(rows) {
        set parent [lindex $row 1]
        dict set parents $parent 1
        if {!$finding || [dict exists $shown $id]} {
            dict lappend kids $parent o$id
        }
    }
    foreach parent [dict keys $parents] {
        if {$parent == 0} {
            $t children {} [dict get $kids 0]
        } elseif {!$finding || [dict exists $shown $parent]} {
            set items [expr {[dict exists $kids $parent] ? [dict get $kids $parent] : {}}]
            $t children o$parent $items
            if {$finding && [llength $items]} {
                $t item o$parent -open 1
            }
        }
    }
}

proc ::standin::gui::tree_shows {id} {
    variable tree
    expr {!$tree(finding) || [dict exists $tree(shown) $id]}
}

# Enter in the find field selects every object found, in object mode, but
# those hidden or locked (as Select all leaves them out), and says so.
proc ::standin::gui::select_found {} {
    variable tree
    find_now
    set ids [found_ids]
    if {![llength $ids]} {
        say [expr {$tree(find) eq "" ? "Type part of a name to find objects" : "No object matches '[shown $tree(find)]'"}]
        bell
        return
    }
    set chosen [lmap id $ids {expr {[tree_marked $id hidden locked] ? [continue] : $id}}]
    set out [expr {[llength $ids] - [llength $chosen]}]
    if {[selection_mode] ne "objects"} {
        set_mode objects
    }
    set found "matching '[shown $tree(find)]'"
    if {[llength $chosen]} {
        incr out [standin select tree objects {*}$chosen]
        set text "Selected [plural [llength $chosen] object] $found"
        if {$out} {
            append text ", leaving out [plural $out {hidden or locked object}]"
        }
    } else {
        standin select none
        set text "The [plural $out object] $found [expr {$out == 1 ? "is" : "are"}] hidden or locked: none selected"
    }
    # Said after the host tells of the new selection, which would say less.
    after idle [list ::standin::gui::say $text]
}

# ---- The tree's tooltip: the whole name and path of the row under the
# pointer, after it rests there a moment.

proc ::standin::gui::tree_hover {t x y rootx rooty} {
    set item [$t identify item $x $y]
    tip_over [expr {$item eq "" ? "" : [list tree $item]}] $rootx $rooty [list ::standin::gui::tree_tip_text $t $item]
}

# The tooltip's text: the object's label, then the labels from the top
# of the tree down to it; of a deep object, the last few.
proc ::standin::gui::tree_tip_text {t item} {
    variable tree
    if {![$t exists $item]} {
        return ""
    }
    set path {}
    for {set at $item} {$at ne ""} {set at [$t parent $at]} {
        if {[llength $path] == 12} {
            lappend path ...
            break
        }
        lappend path [tree_label [dict get $tree(rows) [string range $at 1 end]]]
    }
    return "[lindex $path 0]\n[join [lreverse $path] { / }]"
}
