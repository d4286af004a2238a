# The main window's view drawn into its image: each style in each
# projection shows the expected colours where a known vertex and surface are
# drawn, in the square's material or texture as a model file gives them;
# Control-click toggles, Shift-click adds; a Control-drag box selects
# in each mode; Shift+F frames the selection.  Run in standin --gui.
source [file join [file dirname [info script]] .. lib.tcl]
windows_under_test

# A square (x, y from -1 to 1, z 0) and, to its right, a small triangle.
proc build_scene {} {
    standin new
    set ::square [standin object square]
    standin vertex $::square -1 -1 0 1 -1 0 1 1 0 -1 1 0
    standin surface $::square 0 1 2 3
    set ::triangle [standin object triangle]
    standin vertex $::triangle 3 -0.2 0 3.4 -0.2 0 3.2 0.2 0
    standin surface $::triangle 0 1 2
    ::standin::gui::fit_all
    settle
}

# The same scene from a model file, the square in the look LOOK: red, a
# texture (yellow above blue, written with a folder and backslashes before
# its name, which is found beside the model), glass (blue, half clear, before
# a green backdrop), or a texture that is missing or too large (in a red
# material).
proc load_scene {look} {
    set dir [scratch view-looks]
    set texture [image create photo -width 1 -height 2]
    $texture put yellow -to 0 0
    $texture put blue -to 0 1
    $texture write [file join $dir stripes.png] -format png
    image delete $texture
    # A PNG whose header claims 100000 x 100000 texels, and nothing after it.
    set f [open [file join $dir huge.png] wb]
    puts -nonewline $f [binary format a8Ia4IIccccc "\x89PNG\r\n\x1a\n" 13 IHDR 100000 100000 8 6 0 0 0]
    close $f
    set text "AC3Db\n"
    foreach rgb {{1 0 0} {0 0 1} {0 1 0}} trans {0 0.5 0} {
        append text "MATERIAL \"\" rgb $rgb  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.5 0.5 0.5  shi 10  trans $trans\n"
    }
    set objects [list square {-1 -1 0 1 -1 0 1 1 0 -1 1 0} triangle {3 -0.2 0 3.4 -0.2 0 3.2 0.2 0}]
    if {$look eq "glass"} {
        lappend objects backdrop {-3 -3 -1 3 -3 -1 3 3 -1 -3 3 -1}
    }
    append text "OBJECT world\nkids [expr {[llength $objects] / 2}]\n"
    foreach {name points} $objects {
        set n [expr {[llength $points] / 3}]
        append text "OBJECT poly\nname \"$name\"\n"
        if {$name eq "square" && $look in {texture missing huge}} {
            append text "texture \"pictures\\[dict get {texture stripes missing nowhere huge huge} $look].png\"\ntexoff 0 0.25\n"
        }
        append text "numvert $n\n[join [lmap {x y z} $points {list $x $y $z}] \n]\nnumsurf 1\nSURF 0x10\nmat [expr {$name eq "backdrop" ? 2 : "$name$look" eq "squareglass"}]\n"
        append text "refs $n\n[join [lmap i [lrange {0 1 2 3} 0 $n-1] uv {{0 0} {1 0} {1 1} {0 1}} {list $i {*}$uv}] \n]\n"
        append text "kids 0\n"
    }
    write_text [file join $dir looks.ac] $text
    standin load [file join $dir looks.ac]
    foreach id [standin objects] {
        set ::[dict get [standin info $id] name] $id
    }
    ::standin::gui::fit_all
    settle
    file delete -force $dir
}

# The colour drawn at the canvas point (x, y): background, edge, selected,
# mark, or a lit surface: dark when nearly black, by its hue where it has
# one (red, yellow, cyan, ...), else surface, or chosen when selected
# (reddish).
proc colour_at {x y} {
    lassign [::standin::gui::viewport] left top
    set rgb [::standin::gui::picture_[::standin::gui::view_name] get [expr {$x - $left}] [expr {$y - $top}]]
    set names {{251 251 253} background {54 80 122} edge {228 87 46} selected {192 22 15} mark}
    if {[dict exists $names $rgb]} {
        return [dict get $names $rgb]
    }
    lassign $rgb r g b
    set high [tcl::mathfunc::max $r $g $b]
    if {$high < 80} {
        return dark
    }
    if {$high - [tcl::mathfunc::min $r $g $b] > 90} {
        set hues {100 red 010 green 001 blue 110 yellow 011 cyan 101 purple 111 light}
        return [dict get $hues [expr {$r > $high / 2}][expr {$g > $high / 2}][expr {$b > $high / 2}]]
    }
    expr {$r > $b ? "chosen" : "surface"}
}

# The colour of a line or mark drawn at (x, y) or at a pixel around it (a
# one-pixel line between two points may pass either side of a pixel on the
# way); else the colour at (x, y).
proc colour_near {x y} {
    foreach {dx dy} {0 0 0 -1 0 1 -1 0 1 0 -1 -1 1 -1 -1 1 1 1} {
        set colour [colour_at [expr {$x + $dx}] [expr {$y + $dy}]]
        if {$colour in {edge selected mark}} {
            return $colour
        }
    }
    colour_at $x $y
}

# What is drawn halfway along the square's lower edge, at its middle, and
# at its first vertex.
proc looks {} {
    settle
    lassign [at $::square 0] x0 y0
    lassign [at $::square 1] x1 y1
    lassign [at $::square 2] x2 y2
    list [colour_near [expr {($x0 + $x1) / 2}] [expr {($y0 + $y1) / 2}]] \
        [colour_at [expr {($x0 + $x2) / 2}] [expr {($y0 + $y2) / 2}]] [colour_near $x0 $y0]
}

# The canvas box around the square, a few pixels out.
proc square_box {} {
    set corners [lmap index {0 1 2 3} {at $::square $index}]
    set xs [lmap c $corners {lindex $c 0}]
    set ys [lmap c $corners {lindex $c 1}]
    list [expr {[tcl::mathfunc::min {*}$xs] - 4}] [expr {[tcl::mathfunc::min {*}$ys] - 4}] \
        [expr {[tcl::mathfunc::max {*}$xs] + 4}] [expr {[tcl::mathfunc::max {*}$ys] + 4}]
}

# On a bare surface, its border may fall either side of a pixel's centre:
# only its middle is certain.  Style "all" is shaded with edges on all
# objects; the square seen "behind" is seen from its back.  A texture that
# cannot be read is "told" once in the status line, not again at the next
# drawing.
test view-looks {each style and projection draws edges, surfaces, the selection and marks where they are} {
    set ::standin::gui::view(grid) 0
    set result {}
    foreach {style perspective selected look expected} {
        wireframe 0 none plain {edge background edge}
        wireframe 1 none plain {edge background edge}
        shaded 0 none plain {* surface *}
        shaded 1 none plain {* surface *}
        edges 0 none plain {[bs]* surface [bs]*}
        edges 1 none plain {[bs]* surface [bs]*}
        all 0 none plain {edge surface edge}
        wireframe 0 object plain {selected background selected}
        edges 1 object plain {selected chosen selected}
        wireframe 0 vertex plain {edge background mark}
        edges 0 surface plain {selected chosen selected}
        shaded 0 none red {* red *}
        shaded 0 behind red {* red *}
        shaded 0 none texture {* yellow *}
        shaded 1 none texture {* yellow *}
        shaded 0 none glass {* cyan *}
        edges 0 none missing {* red * told}
        shaded 0 none huge {* red * told}
    } {
        if {$look eq "plain"} {
            build_scene
        } else {
            load_scene $look
        }
        set told [expr {[string match "cannot read texture nowhere.png: no such file*" $::standin::gui::bands(status)] ||
            [string match "cannot read texture huge.png: too large (100000 x 100000 *" $::standin::gui::bands(status)]}]
        ::standin::gui::say ""
        ::standin::gui::show 3d
        set ::standin::gui::view(style) [expr {$style eq "all" ? "edges" : $style}]
        set ::standin::gui::view(all_edges) [expr {$style eq "all"}]
        set ::standin::gui::view(perspective) $perspective
        dict set ::standin::gui::view(camera,3d) az [expr {$selected eq "behind" ? 145 : -35}]
        standin select none
        switch $selected {
            object {standin pick objects $::square}
            vertex {standin pick vertices $::square 0}
            surface {standin pick surfaces $::square 0}
        }
        set got [looks]
        if {$told && $::standin::gui::bands(status) eq ""} {
            lappend got told
        }
        lappend result [expr {[string match $expected $got] ? "ok" : "$style $perspective $selected $look: $got"}]
    }
    standin select none
    set ::standin::gui::view(grid) 1
    set ::standin::gui::view(perspective) 0
    set ::standin::gui::view(all_edges) 0
    dict set ::standin::gui::view(camera,3d) az -35
    set result
} [lrepeat 18 ok]

test view-clicks {Control-click toggles, Shift-click adds, a plain click replaces} {
    build_scene
    set ::standin::gui::view(style) edges
    set result {}
    foreach {mode clicks expected} {
        objects {{square 0 0} {triangle 0 1}} {objects 2 {square triangle}}
        objects {{square 0 0} {triangle 0 4} {square 1 4}} {objects 1 triangle}
        objects {{square 0 4} {square 0 4}} {objects 0 {}}
        vertices {{square 0 0} {square 1 4} {square 2 1}} {vertices 3 square}
        vertices {{square 0 0} {square 1 1} {square 0 4}} {vertices 1 square}
        vertices {{triangle 0 0} {square 3 0}} {vertices 1 square}
    } {
        ::standin::gui::set_mode $mode
        standin select none
        foreach c $clicks {
            lassign $c name index state
            click [set ::$name] $index $state
        }
        lappend result [expr {[selection] eq $expected ? "ok" : "$mode $clicks: [selection]"}]
    }
    set result
} [lrepeat 6 ok]

test view-box {a Control-drag selects what the box holds in each mode; with Shift it adds} {
    build_scene
    set result {}
    foreach {mode add expected} {
        objects 0 {objects 1 square}
        surfaces 0 {surfaces 1 square}
        vertices 0 {vertices 4 square}
        vertices 1 {vertices 5 {square triangle}}
    } {
        ::standin::gui::set_mode $mode
        standin select none
        if {$add} {
            standin pick vertices $::triangle 2
        }
        drag_box {*}[square_box] $add
        lappend result [expr {[selection] eq $expected ? "ok" : "$mode $add: [selection]"}]
    }
    list $result [llength [.view find withtag rubber]]
} [list [lrepeat 4 ok] 0]

test view-frame {Shift+F frames the selection, F fits everything again} {
    build_scene
    ::standin::gui::show front
    ::standin::gui::set_mode objects
    standin pick objects $::triangle
    settle
    lassign [::standin::gui::viewport] left top right bottom
    focus -force .view
    event generate .view <Key-F>
    settle
    lassign [at $::triangle 0] x0 y0
    lassign [at $::triangle 1] x1
    lassign [at $::triangle 2] x2 y2
    set framed [expr {max(($x1 - $x0) / double($right - $left), ($y0 - $y2) / double($bottom - $top)) > 0.8}]
    set square_shown [expr {![catch {at $::square 0} p] && [lindex $p 0] >= $left}]
    event generate .view <Key-f>
    settle
    lassign [at $::square 0] sx sy
    lassign [at $::triangle 1] tx
    lassign [at $::square 2] sx2 sy2
    set whole [expr {max(($tx - $sx) / double($right - $left), ($sy - $sy2) / double($bottom - $top))}]
    list $framed $square_shown [expr {$sx >= $left && $tx <= $right && $whole > 0.8}]
} {1 0 1}

# The pointer over the middle of view NAME's drawing, where the keys act.
proc point_at {name} {
    lassign [::standin::gui::viewport $name] left top right bottom
    event generate .view <Motion> -x [expr {($left + $right) / 2}] -y [expr {($top + $bottom) / 2}]
}

proc scales {} {
    lmap name {top 3d front side} {format %.4g [dict get $::standin::gui::view(camera,$name) scale]}
}

proc title_double_click {name} {
    lassign [::standin::gui::pane $name] x0 y0
    # Two presses at once are a double-click to Tk.
    foreach press {1 2} {
        event generate .view <ButtonPress-1> -x [expr {$x0 + 40}] -y [expr {$y0 + 4}]
        event generate .view <ButtonRelease-1> -x [expr {$x0 + 40}] -y [expr {$y0 + 4}]
    }
    settle
}

# A click on the square's first vertex as view NAME draws it.
proc click_in {name} {
    standin select none
    ::standin::gui::set_mode objects
    point_at $name
    click $::square 0
    selection
}

proc key {name} {
    event generate .view <$name>
    settle
}

# Each view's scale over what it was (WAS, from scales).
proc zoomed {was} {
    lmap now [scales] then $was {format %.3g [expr {$now / $then}]}
}

proc fitted {name} {
    dict get $::standin::gui::view(camera,$name) fitted
}

# In the four views each picks on its own drawing; keys and a double-click
# on a title show one alone and bring the four back; + and -, F and
# Control+F act on the view under the pointer or on all.
test view-four {four views, each picked, zoomed and fitted on its own} {
    build_scene
    ::standin::gui::show four
    ::standin::gui::fit all
    focus -force .view
    settle
    set result {}
    foreach {name script expected} {
        pictures {llength [.view find withtag picture]} 4
        key-alone {event generate .view <Key-3>; settle; ::standin::gui::views_shown} side
        key-back {event generate .view <Key-3>; settle; ::standin::gui::views_shown} {top 3d front side}
        title-alone {title_double_click front; ::standin::gui::views_shown} front
        title-back {title_double_click front; ::standin::gui::views_shown} {top 3d front side}
        pick-top {click_in top} {objects 1 square}
        pick-front {click_in front} {objects 1 square}
        pick-3d {click_in 3d} {objects 1 square}
        zoom-front {point_at front; set was [scales]; key Key-plus; key Key-minus; key Key-plus; zoomed $was} {1 1 1.25 1}
        fit-one {point_at top; key Key-plus; point_at front; key Key-f; lmap n {top 3d front side} {fitted $n}} {0 1 1 1}
        fit-all {key Control-f; lmap n {top 3d front side} {fitted $n}} {1 1 1 1}
        entry-keys {focus -force .main.objects.find.entry; event generate .main.objects.find.entry <Key-1>; settle
            list [::standin::gui::views_shown] [.main.objects.find.entry get]} {{top 3d front side} 1}
    } {
        set got [eval $script]
        lappend result [expr {$got eq $expected ? "ok" : "$name: $got"}]
    }
    .main.objects.find.entry delete 0 end
    focus -force .view
    set result
} [lrepeat 12 ok]

# A model whose file marks one object hidden (far off to the right) and one
# locked, through the window: the hidden one is not drawn until unhidden, nor
# taken by Select all; a click on the locked one selects nothing. (Which
# objects the view draws, picks, boxes and fits: tests/standin/gui.)
test view-flags {hidden objects are left out of the view, locked ones out of its selection} {
    set path [file join [scratch view-flags] flags.ac]
    set text "AC3Db\nMATERIAL \"\" rgb 1 1 1  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.5 0.5 0.5  shi 10  trans 0\n"
    append text "OBJECT world\nkids 3\n"
    foreach {name flag x0 x1 x2} {plain "" 0 1 0.5 far "hidden\n" 100 101 100.5 fixed "locked\n" 2 3 2.5} {
        append text [triangle $name $flag $x0 $x1 $x2]
    }
    write_text $path $text
    standin load $path
    file delete -force [file dirname $path]
    foreach id [standin objects] {
        set ::[dict get [standin info $id] name] $id
    }
    ::standin::gui::show front
    ::standin::gui::set_mode objects
    ::standin::gui::fit
    settle
    set result [list far_drawn [expr {![catch {at $::far 0}]}]]
    standin select none
    click $::fixed 2
    lappend result fixed [selection]
    ::standin::gui::select_all
    lappend result all [selection]
    standin unhide $::far
    settle
    lappend result unhidden_drawn [expr {![catch {at $::far 0}]}]
} {far_drawn 0 fixed {objects 0 {}} all {objects 1 plain} unhidden_drawn 1}

finish
