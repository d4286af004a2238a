# The window's tree of objects: hidden objects greyed, folded ones closed,
# unnamed ones labelled by kind, a tooltip with the whole name and path,
# Hide and Unhide from the menu, the keys and the context menu, select all
# without hidden and locked objects, a locked object refused in the status
# bar, and rows and names that fit at 192 dpi; finding objects by name,
# the number columns kept whole, Lock and Unlock from the context menu,
# the entries' Ctrl+A, and the status bar's hidden and locked objects and
# its text cut short with a tooltip.
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

# The tooltip shown once the pointer rests on WIDGET, brought there by EVENT.
proc tip_on {widget event args} {
    event generate $widget $event {*}$args
    after 800 {set ::waited 1}
    vwait ::waited
    set text [expr {[winfo exists .tip] ? [.tip.text cget -text] : "no tooltip"}]
    event generate $widget <Leave>
    settle
    list $text [winfo exists .tip]
}

proc tip_for {item} {
    $::t see $item
    settle
    lassign [$::t bbox $item] x y
    tip_on $::t <Motion> -x [expr {$x + 30}] -y [expr {$y + 4}]
}

# The rows shown for each text typed in the find field: each top row, its
# children and whether it is open; and the note beside the field.
proc found_rows {texts} {
    lmap text $texts {
        set ::standin::gui::tree(find) $text
        ::standin::gui::find_now
        list [lmap item [$::t children {}] {list $item [$::t children $item] [$::t item $item -open]}] \
            [.main.objects.find.note cget -text]
    }
}

# Chooses LABEL on the context menu of ITEM's row, as a right click on the
# row and a click on the entry do (the menu let go, its grab with it).
proc choose_on {item label} {
    lassign [$::t bbox $item] x y
    event generate $::t <Button-3> -x [expr {$x + 30}] -y [expr {$y + 4}] -rootx 10 -rooty 10
    settle
    $::t.context invoke $label
    ::tk::MenuUnpost $::t.context
    settle
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
    names-fit {
        .main sashpos 0 [winfo width .main]
        settle
        set width [$t column #0 -width]
        ::standin::gui::fit_tree_pane
        expr {$width >= [font measure [::standin::gui::tree_font] $deep] + 3 * 20}
    } 1
    numbers-fit {
        set least [expr {[$t column #0 -minwidth] + [$t column vertices -width] + [$t column surfaces -width]}]
        .main sashpos 0 [expr {$least + [winfo width .main.objects.scroll] + 8}]
        settle
        set cell [$t bbox o3 surfaces]
        ::standin::gui::fit_tree_pane
        expr {$cell ne "" && [lindex $cell 0] + [lindex $cell 2] <= [winfo width $t]
              && [lindex $cell 2] > [font measure TkHeadingFont Surfaces]
              && $least < [font measure [::standin::gui::tree_font] $deep]}
    } 1
    find-rows {
        $t item o1 -open 0
        set e .main.objects.find.entry
        set got [found_rows {DEEPLY *d zzz}]
        focus -force $e
        event generate $e <Escape>
        ::standin::gui::find_now
        lappend got [$t children {}] [$t item o1 -open] [$e get]
        $t item o1 -open 1
        set got
    } {{{{o1 o2 1}} {1 of 10}} {{{o7 {} 1} {o8 {} 1}} {2 of 10}} {{} {no object matches}} {o1 o4 o5 o7 o8} 0 {}}
    find-nearest {
        found_rows fixd
        set got $::standin::gui::bands(status)
        found_rows {{}}
        set got
    } {No object matches 'fixd'; the nearest names: 'fixed'}
    find-select {
        found_rows I
        ::standin::gui::set_mode vertices
        focus -force .main.objects.find.entry
        event generate .main.objects.find.entry <Return>
        settle
        set got [list [::standin::gui::selection_mode] [dict get [::standin::view sync] selected] \
            $::standin::gui::bands(status)]
        found_rows {{}}
        standin select none
        set got
    } {objects {2 3} {Selected 2 objects matching 'I', leaving out 2 hidden or locked objects}}
    entry-keys {
        set e .main.objects.find.entry
        focus -force $e
        $e insert end zzz
        $e icursor 0
        event generate $e <Control-a>
        set got [list [$e selection present] [$e index sel.first] [$e index sel.last]]
        set view [::standin::gui::view_name]
        event generate $e <Key-1>
        lappend got [$e get] [expr {[::standin::gui::view_name] eq $view}]
        found_rows {{}}
        focus -force $t
        event generate $t <Control-a>
        settle
        lappend got [dict get [::standin::view sync] selected]
        standin select none
        set got
    } {1 0 3 1 1 {1 4 9}}
    save-dialog-keys {
        after 800 {
            set e .__tk_filedialog.contents.f2.ent
            focus -force $e
            $e icursor 0
            event generate $e <Control-a>
            event generate $e <Key-m>
            set ::got [$e get]
            event generate $e <Escape>
        }
        list [::standin::gui::save_as] $::got
    } {0 m}
    status-flags {list [.status.flags cget -text] [winfo ismapped .status.flags]} {{2 of 10 objects hidden, 2 locked} 1}
    status-cut {
        set long "[string repeat {a message too long for the status bar } 20]end"
        ::standin::gui::say $long
        settle
        set w .status.message
        set shown [$w cget -text]
        lassign [tip_on $w <Enter> -x 4 -y 4] tip
        list [string match *... $shown] [expr {[font measure TkDefaultFont $shown] <= [winfo width $w]}] \
            [expr {$tip eq $long}]
    } {1 1 1}
    context-lock {
        select_in_tree o9
        set got {}
        foreach what {Lock Unlock} {
            choose_on o9 $what
            lappend got [dict get [standin info 9] locked] [lsearch -inline [$t item o9 -tags] locked] \
                [saved_lines locked] [$t selection]
        }
        set got
    } {1 locked 3 {} 0 {} 2 {}}
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
        choose_on o2 Hide
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
