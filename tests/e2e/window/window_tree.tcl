# The window's tree of objects: hidden objects greyed, folded ones closed,
# unnamed ones labelled by kind, a tooltip with the whole name and path,
# Hide and Unhide from the menu, the keys and the context menu, select all
# without hidden and locked objects, a locked object refused in the status
# bar, and rows and names that fit at 192 dpi.
source [file join [file dirname [info script]] .. lib.tcl]
windows_under_test

set work [scratch window_tree]
set model [file join $work tree.ac]
set deep "a deeply nested object whose name is long enough to need room"
write_text $model [string map [list DEEP [triangle $deep]] {AC3Db
MATERIAL "m" rgb 1 1 1  amb 0 0 0  emis 0 0 0  spec 0 0 0  shi 1  trans 0
OBJECT world
kids 5
OBJECT group
name "outer"
folded
kids 1
OBJECT group
name "middle"
kids 1
DEEPOBJECT poly
numvert 1
2 2 0
kids 0
OBJECT group
name "shut"
hidden
kids 1
OBJECT poly
name "inside"
numvert 1
3 3 0
kids 0
OBJECT poly
name "fixed"
locked
numvert 1
4 4 0
kids 0
OBJECT group
name "held"
kids 2
OBJECT poly
name "free"
numvert 1
5 5 0
kids 0
OBJECT poly
name "stuck"
locked
numvert 1
6 6 0
kids 0
}]

set t .main.objects.list
tk scaling 2.666
::standin::gui::open_model $model
settle

# The scene's hidden flags, object by object.
proc hidden_flags {} {
    lmap id [standin objects] {dict get [standin info $id] hidden}
}

# The colour of a hidden or unnamed row, without its #.
proc grey {item} {
    set tags [$::t item $item -tags]
    set tag [lindex [lsearch -all -inline -regexp $tags {^(hidden|unnamed)$}] end]
    expr {$tag eq "" ? "" : [string range [$::t tag configure $tag -foreground] 1 end]}
}

proc tip_for {item} {
    $::t see $item
    settle
    lassign [$::t bbox $item] x y
    event generate $::t <Motion> -x [expr {$x + 30}] -y [expr {$y + 4}]
    after 800 {set ::waited 1}
    vwait ::waited
    set text [expr {[winfo exists .tree_tip] ? [.tree_tip.text cget -text] : "no tooltip"}]
    event generate $::t <Leave>
    settle
    list $text [winfo exists .tree_tip]
}

proc saved_lines {word} {
    set path [file join $::work saved.ac]
    standin save $path
    llength [lsearch -all [split [read_text $path] \n] $word]
}

foreach {name script expected} {
    hidden-grey {list [grey o5] [grey o6] [grey o7] [grey o1]} {9aa0a8 9aa0a8 {} {}}
    folded-start {lmap item {o1 o2 o5} {$t item $item -open}} {0 1 1}
    unnamed-label {list [$t item o4 -text] [lsearch -inline [$t item o4 -tags] unnamed]} {{(poly 4)} unnamed}
    locked-marked {list [$t item o7 -text] [lsearch -inline [$t item o7 -tags] locked]} {{fixed  (locked)} locked}
    tooltip {$t item o1 -open 1; tip_for o3} {{DEEP
outer / middle / DEEP} 0}
    rows-fit {expr {[ttk::style lookup Treeview -rowheight] >= [font metrics [::standin::gui::tree_font] -linespace]}} 1
    names-fit {expr {[$t column #0 -width] >= [font measure [::standin::gui::tree_font] $deep] + 3 * 20}} 1
    select-all {
        ::standin::gui::set_mode vertices
        ::standin::gui::select_all
        settle
        set info [::standin::view sync]
        ::standin::gui::set_mode objects
        standin select none
        settle
        list [dict get $info selected] [dict get $info items] [standin select all]
    } {{3 4 9} 5 {1 4 9}}
    hide-menu {
        select_in_tree {o3 o4}
        .menubar.edit invoke Hide
        settle
        list [hidden_flags] [$t selection] [dict get [::standin::view sync] items] [grey o3] \
            [string match {*\* - standin} [wm title .]] [saved_lines hidden]
    } {{0 0 1 1 1 0 0 0 0 0} {} 0 9aa0a8 1 3}
    unhide-keys {
        select_in_tree {o3 o5}
        focus -force $t
        event generate $t <Control-Shift-Key-H>
        settle
        list [hidden_flags] [grey o6] [saved_lines hidden]
    } {{0 0 0 1 0 0 0 0 0 0} {} 1}
    hide-context {
        select_in_tree {}
        lassign [$t bbox o2] x y
        event generate $t <Button-3> -x [expr {$x + 30}] -y [expr {$y + 4}] -rootx 10 -rooty 10
        settle
        $t.context invoke Hide
        $t.context unpost
        settle
        list [hidden_flags] [grey o3]
    } {{0 1 0 1 0 0 0 0 0 0} 9aa0a8}
    locked-refused {
        select_in_tree o4
        select_in_tree {o4 o7}
        list [$t selection] $::standin::gui::bands(status) [winfo exists .message] [catch {standin pick vertices 7 0} m] $m
    } {o4 {Cannot select object 'fixed': it is locked} 0 1 {object 'fixed' is locked}}
    group-around {
        set stuck [standin get 10]
        select_in_tree o8
        set got [list [$t selection] $::standin::gui::bands(status)]
        pjtrilo_go x y 1 1 25 1 1
        list {*}$got [expr {[standin get 10] eq $stuck}] [expr {[standin get 9] ne {{5 5 0}}}]
    } {o9 {Selected around 1 hidden or locked object: they stay as they are} 1 1}
    undo-after-hide {
        ::standin::gui::open_model $model
        standin select objects free
        pjtrilo_go x y 1 1 0 1 1
        select_in_tree o9
        .menubar.edit invoke Hide
        .menubar.edit invoke Undo
        settle
        list [wm title .] [hidden_flags]
    } {{tree.ac* - standin} {0 0 0 0 1 0 0 0 1 0}}
    deep {
        standin new
        set parent {}
        for {set i 0} {$i < 100000} {incr i} {
            set parent [standin object d$i {*}$parent]
        }
        standin vertex $parent 0 0 0 1 0 0 0 1 0
        settle
        $t item o1 -open 0
        .menubar.edit invoke "Select all"
        settle
        pjtrilo_go x y 1 0.5 0 1 1
        list [$t selection] [standin history] [llength [standin tree]]
    } {o1 rilo 100000}
} {
    set expected [string map [list DEEP $deep] $expected]
    test window-tree-$name {} [list uplevel #0 $script] $expected
}

file delete -force $work
finish
