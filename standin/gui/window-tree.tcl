# The main window's tree of objects (sourced by window.tcl): the objects as
# the file marks them, their names and the tooltip, Hide and Unhide.

# ---- The tree of objects

# The tree follows the scene: one standin tree call gives every object;
# a new set of objects fills the tree anew (folded objects closed), a change
# of flags or sizes only restyles the rows it changed.
proc ::standin::gui::fill_tree {} {
    variable tree_key
    variable tree_rows
    variable info
    set t .main.objects.list
    set rows [standin tree]
    if {$rows ne $tree_key} {
        set shape [lmap row $rows {lrange $row 0 3}]
        set old [lmap row $tree_key {lrange $row 0 3}]
        set tree_key $rows
        if {$shape ne $old} {
            refill_tree $t $rows
        } else {
            restyle_tree $t $rows
        }
    }
    set chosen [lmap id [dict get $info selected] {set id o$id}]
    if {[lsort $chosen] ne [lsort [$t selection]]} {
        $t selection set $chosen
        if {[llength $chosen]} {
            $t see [lindex $chosen 0]
        }
    }
}

proc ::standin::gui::refill_tree {t rows} {
    variable tree_rows
    set tree_rows [dict create]
    $t delete [$t children {}]
    style_tree $t
    foreach row $rows {
        lassign $row id parent name kind vertices surfaces hidden locked folded
        dict set tree_rows $id $row
        set parent [expr {$parent != 0 && [$t exists o$parent] ? "o$parent" : ""}]
        $t insert $parent end -id o$id -open [expr {!$folded}]
        style_row $t $row
    }
    fit_tree $t
}

# Every row styled again, parents first: a flag changed on one shows on
# everything below it.
proc ::standin::gui::restyle_tree {t rows} {
    variable tree_rows
    foreach row $rows {
        dict set tree_rows [lindex $row 0] $row
        style_row $t $row
    }
}

# A row's text, counts and tags; an ancestor hidden or locked counts as the
# object's own (rows come parents first).
proc ::standin::gui::style_row {t row} {
    lassign $row id parent name kind vertices surfaces hidden locked folded
    set tags {}
    if {$name eq ""} {
        lappend tags unnamed
    }
    if {$hidden || ($parent != 0 && "hidden" in [$t item o$parent -tags])} {
        lappend tags hidden
    }
    set text [tree_label $row]
    if {$locked || ($parent != 0 && "locked" in [$t item o$parent -tags])} {
        lappend tags locked
        append text "  (locked)"
    }
    $t item o$id -text $text -values [list $vertices $surfaces] -tags $tags
}

# An object's name, or for an unnamed one its kind and id: "(poly 3)".
proc ::standin::gui::tree_label {row} {
    lassign $row id parent name kind
    expr {$name eq "" ? "($kind $id)" : $name}
}

# The first column as wide as its widest row (text and indent), and the
# pane as wide as the tree up to two fifths of the window; narrower, the
# tree scrolls sideways.
proc ::standin::gui::fit_tree {t} {
    set font [tree_font]
    set indent [ttk::style lookup Treeview -indent]
    set indent [winfo pixels $t [expr {$indent eq "" ? 20 * [tk scaling] / 1.3333 : $indent}]]
    set widest 0
    set depth() -1
    foreach item [tree_items $t {}] {
        set depth($item) [expr {$depth([$t parent $item]) + 1}]
        set width [expr {[font measure $font [$t item $item -text]] + ($depth($item) + 1) * $indent}]
        set widest [expr {max($widest, $width)}]
    }
    set pad [font measure $font "mmm"]
    set first [expr {max([font measure $font "Object name"], $widest) + $pad}]
    $t column #0 -width $first -minwidth $first
    variable tree_width [expr {$first + [$t column vertices -width] + [$t column surfaces -width] \
        + [winfo reqwidth [winfo parent $t].scroll] + 4}]
    if {[winfo ismapped $t]} {
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

# Every item below ITEM, parents before children.
proc ::standin::gui::tree_items {t item} {
    set out {}
    foreach child [$t children $item] {
        lappend out $child {*}[tree_items $t $child]
    }
    return $out
}

# A selection made in the tree selects those objects in the scene; the
# tree's own echo of a selection made elsewhere changes nothing.  A locked
# object is refused in the status bar, the selection kept as it was.
proc ::standin::gui::tree_selected {} {
    variable info
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
    expr {$name eq "" ? "object [tree_label $row]" : "object '$name'"}
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
# of the tree down to it.
proc ::standin::gui::tree_tip_text {t item} {
    variable tree_rows
    set path {}
    for {set at $item} {$at ne ""} {set at [$t parent $at]} {
        set path [linsert $path 0 [tree_label [dict get $tree_rows [string range $at 1 end]]]]
    }
    return "[lindex $path end]\n[join $path { / }]"
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
