# The main window's tree of objects (sourced by window.tcl): the objects as
# the file marks them, their names and the tooltip, Hide and Unhide.

# ---- The tree of objects

# The tree follows the host: the objects' tree's version tells when one
# standin tree call is due; a new set of objects fills the tree anew
# (folded objects closed), a change of flags or sizes only restyles the
# rows.  The selection's rows follow each sync.
namespace eval ::standin::gui {
    variable tree_rows {}     ;# the rows of standin tree, by id
    variable tree_above       ;# by id: the depth of each object and the flags it takes from above
    variable tree_fill {}     ;# while the tree fills: the rows, how many are in, their labels so far
    variable fill_after ""    ;# the next slice of rows scheduled
}

proc ::standin::gui::fill_tree {} {
    variable tree_key
    variable tree_seen
    variable seen
    set t .main.objects.list
    if {[dict exists $seen tree] && [dict get $seen tree] != $tree_seen} {
        set tree_seen [dict get $seen tree]
        set rows [standin tree]
        if {$rows ne $tree_key} {
            set refill [expr {[llength $rows] != [llength $tree_key]
                || [lmap row $rows {lrange $row 0 3}] ne [lmap row $tree_key {lrange $row 0 3}]}]
            set tree_key $rows
            style_rows $t $rows $refill
        }
    }
    select_in_tree
}

# The tree's selection follows the scene's, on the rows it has so far.
proc ::standin::gui::select_in_tree {} {
    variable info
    set t .main.objects.list
    set chosen {}
    foreach id [dict get $info selected] {
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
    variable tree_rows [dict create]
    variable tree_above
    variable tree_fill {}
    variable fill_after
    after cancel $fill_after
    array unset tree_above
    set tree_above(0) {-1 {}}
    if {$refill} {
        $t delete [$t children {}]
        style_tree $t
        set tree_fill [list $rows 0 {}]
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
    variable tree_fill
    variable fill_after ""
    lassign $tree_fill rows at labels
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
        set tree_fill [list $rows $end $labels]
        set fill_after [after 0 [list ::standin::gui::fill_slice $t]]
        return
    }
    set tree_fill {}
    variable tree_width
    set fitted $tree_width
    fit_tree $t $labels [expr {$at == 0}]
    if {$at > 0 && $tree_width > 1.25 * $fitted} {
        fit_tree_pane
    }
    select_in_tree
}

# ROW's depth, text and tags in the tree, from its parent's (noted before,
# in tree_above) and its own flags, noted in turn for its children.
proc ::standin::gui::row_look {row} {
    variable tree_rows
    variable tree_above
    lassign $row id parent name kind vertices surfaces hidden locked
    dict set tree_rows $id $row
    lassign $tree_above($parent) depth tags
    incr depth
    if {$hidden && "hidden" ni $tags} {
        lappend tags hidden
    }
    if {$locked && "locked" ni $tags} {
        lappend tags locked
    }
    set tree_above($id) [list $depth $tags]
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
    variable tree_width [expr {$first + [$t column vertices -width] + [$t column surfaces -width] \
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
    variable tree_width
    set room [winfo width .main]
    if {$room > 1} {
        .main sashpos 0 [expr {min($tree_width, int($room * 0.4))}]
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
    variable info
    variable tree_fill
    if {[llength $tree_fill]} return
    set t .main.objects.list
    set ids [lmap item [$t selection] {string range $item 1 end}]
    if {[lsort -integer $ids] eq [lsort -integer [dict get $info selected]]} return
    foreach id $ids {
        if {[tree_locked $id]} {
            say "Cannot select [tree_object_words $id]: it is locked"
            bell
            $t selection set [lmap id [dict get $info selected] {set id o$id}]
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
    variable tree_rows
    set row [dict get $tree_rows $id]
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

namespace eval ::standin::gui {
    variable tip_item ""     ;# the row the tooltip is for
    variable tip_after ""    ;# the tooltip waiting to show
}

proc ::standin::gui::tree_hover {t x y rootx rooty} {
    variable tip_item
    variable tip_after
    set item [$t identify item $x $y]
    if {$item eq $tip_item} return
    tree_tip_hide
    set tip_item $item
    if {$item ne ""} {
        set tip_after [after 600 [list ::standin::gui::tree_tip_show $t $item [expr {$rootx + 12}] \
            [expr {$rooty + 16}]]]
    }
}

# The tooltip's text: the object's label, then the labels from the top
# of the tree down to it; of a deep object, the last few.
proc ::standin::gui::tree_tip_text {t item} {
    variable tree_rows
    set path {}
    for {set at $item} {$at ne ""} {set at [$t parent $at]} {
        if {[llength $path] == 12} {
            lappend path ...
            break
        }
        lappend path [tree_label [dict get $tree_rows [string range $at 1 end]]]
    }
    return "[lindex $path 0]\n[join [lreverse $path] { / }]"
}

proc ::standin::gui::tree_tip_show {t item x y} {
    variable tip_after ""
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
    variable tip_item ""
    variable tip_after
    after cancel $tip_after
    set tip_after ""
    destroy .tree_tip
}
