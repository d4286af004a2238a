# The main window's tree of objects (sourced by window.tcl): the objects as
# the file marks them, their names and the tooltip, Hide and Unhide.
#
# The tree follows the host: the objects' tree's version tells when one
# standin tree call is due; a new set of objects fills the tree anew
# (folded objects closed), a change of flags or sizes only restyles the
# rows.  The selection's rows follow each time the view follows the scene.
#
# This file's state, tree(...):
#   seen        the objects' tree's version the tree shows
#   key         the objects the tree shows, as standin tree gave them
#   rows        the rows of standin tree, by id
#   above       by id: the depth of each object and the flags it takes from above
#   width       what the tree's columns need, in pixels
#   fill        while the tree fills: the rows, how many are in, their labels so far
#   fill_after  the next slice of rows scheduled
#   tip_item    the row the tooltip is for
#   tip_after   the tooltip waiting to show
# Its procedures for the others: build_tree, fill_tree, clamp_tree_pane,
# tree_font.
namespace eval ::standin::gui {
    variable tree
    array set tree {seen -1 key "" rows {} above {} width 0 fill {} fill_after "" tip_item "" tip_after ""}
}

proc ::standin::gui::build_tree {w} {
    ttk::frame $w
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
    grid $w.list $w.scroll -sticky nsew
    grid $w.xscroll -sticky ew
    grid rowconfigure $w 0 -weight 1
    grid columnconfigure $w 0 -weight 1
    bind $w.list <<TreeviewSelect>> ::standin::gui::tree_selected
    style_tree $w.list
    build_tree_menus $w.list
    bind $w.list <Motion> {::standin::gui::tree_hover %W %x %y %X %Y}
    bind $w.list <Leave> ::standin::gui::tree_tip_hide
    bind $w.list <ButtonPress> +::standin::gui::tree_tip_hide
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

# Edit > Hide and Unhide, and the same on the tree's context menu.
proc ::standin::gui::build_tree_menus {t} {
    set m .menubar.edit
    $m add separator
    $m add command -label Hide -underline 0 -accelerator Ctrl+H -command {::standin::gui::hide_selected 1}
    $m add command -label Unhide -underline 0 -accelerator Ctrl+Shift+H \
        -command {::standin::gui::hide_selected 0}
    menu $t.context
    $t.context add command -label Hide -underline 0 -accelerator Ctrl+H -command {::standin::gui::hide_selected 1}
    $t.context add command -label Unhide -underline 0 -accelerator Ctrl+Shift+H \
        -command {::standin::gui::hide_selected 0}
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
        if {[$t exists o$id]} {
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
    if {$refill} {
        $t delete [$t children {}]
        style_tree $t
        set tree(fill) [list $rows 0 {}]
        fill_slice $t
        return
    }
    foreach row $rows {
        lassign [row_look $row] depth text tags
        $t item o[lindex $row 0] -text $text -values [lrange $row 4 5] -tags $tags
    }
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
    set first [expr {max([font measure $font "Object name"], $widest) + $pad}]
    $t column #0 -width $first -minwidth $first
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

# The sash where the tree has the room it needs, up to two fifths of the
# window.
proc ::standin::gui::fit_tree_pane {} {
    variable tree
    set room [winfo width .main]
    if {$room > 1} {
        .main sashpos 0 [expr {min($tree(width), int($room * 0.4))}]
    }
}

# A window made narrower keeps most of its width for the view: the tree
# gets at most two fifths of it.
proc ::standin::gui::clamp_tree_pane {} {
    set room [winfo width .main]
    if {$room > 1 && [.main sashpos 0] > int($room * 0.4)} {
        .main sashpos 0 [expr {int($room * 0.4)}]
    }
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
    if {[lsort -integer $ids] eq [lsort -integer $selected]} return
    foreach id $ids {
        if {[tree_locked $id]} {
            say "Cannot select [tree_object_words $id]: it is locked"
            bell
            $t selection set [lmap id $selected {set id o$id}]
            return
        }
    }
    select_objects $ids
}

# Whether an object or one above it is locked, as the tree shows it.
proc ::standin::gui::tree_locked {id} {
    set t .main.objects.list
    expr {[$t exists o$id] && "locked" in [$t item o$id -tags]}
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
    if {![llength $ids]} {
        say "Select the objects to [expr {$hide ? "hide" : "unhide"}] in the tree first"
        bell
        return
    }
    standin [expr {$hide ? "hide" : "unhide"}] {*}$ids
    set words [expr {[llength $ids] == 1 ? [tree_object_words [lindex $ids 0]] : [plural [llength $ids] object]}]
    say "[expr {$hide ? "Hid" : "Unhid"}] $words"
}

# The context menu: on a row not selected, that row is selected first.
proc ::standin::gui::tree_context {t x y rootx rooty} {
    tree_tip_hide
    set item [$t identify item $x $y]
    if {$item ne "" && $item ni [$t selection]} {
        $t selection set [list $item]
        update idletasks
    }
    tk_popup $t.context $rootx $rooty
}

# ---- The tree's tooltip: the whole name and path of the row under the
# pointer, after it rests there a moment.

proc ::standin::gui::tree_hover {t x y rootx rooty} {
    variable tree
    set item [$t identify item $x $y]
    if {$item eq $tree(tip_item)} return
    tree_tip_hide
    set tree(tip_item) $item
    if {$item ne ""} {
        set tree(tip_after) [after 600 [list ::standin::gui::tree_tip_show $t $item [expr {$rootx + 12}] \
            [expr {$rooty + 16}]]]
    }
}

# The tooltip's text: the object's label, then the labels from the top
# of the tree down to it; of a deep object, the last few.
proc ::standin::gui::tree_tip_text {t item} {
    variable tree
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

proc ::standin::gui::tree_tip_show {t item x y} {
    variable tree
    set tree(tip_after) ""
    if {![$t exists $item]} return
    set w .tree_tip
    destroy $w
    toplevel $w -background #5b6270
    wm overrideredirect $w 1
    label $w.text -text [tree_tip_text $t $item] -justify left -background #fffbe6 -foreground #202428 \
        -padx 6 -pady 3
    pack $w.text -padx 1 -pady 1
    wm geometry $w +$x+$y
}

proc ::standin::gui::tree_tip_hide {} {
    variable tree
    set tree(tip_item) ""
    after cancel $tree(tip_after)
    set tree(tip_after) ""
    destroy .tree_tip
}
