# Writes airship.ac and its texture airship-skin.png into a folder (default:
# the current one): a real-sized airship in metres, moored at its mast.
#   tclsh examples/make-airship.tcl ?FOLDER?
# About 18,000 vertices in a tree of groups, six materials (the glass half
# transparent), and a hull whose skin is a texture written here in plain Tcl:
# a model the size of real ones for the window's views.  The same bytes come
# out on every run.
#
# Y is up and the nose points along +X, so starboard is +Z.  The hull, the
# cabin and the engines are lofts: rings of points joined into quads, closed
# by fans where a ring shrinks to one point.
set folder [expr {[llength $argv] ? [lindex $argv 0] : "."}]
set pi [expr {acos(-1)}]

# ---- Numbers and objects as the .ac file writes them

# A coordinate to the millimetre, without trailing zeros.
proc num {x} {
    set s [format %.3f $x]
    if {[string first . $s] >= 0} {
        set s [string trimright [string trimright $s 0] .]
    }
    expr {$s in {-0 ""} ? 0 : $s}
}

proc point {x y z} {
    list [num $x] [num $y] [num $z]
}

# A mesh is a dict: verts (a list of points) and surfs (each a list of flags,
# material and corners, a corner being {index u v}).
proc new_mesh {} {
    dict create verts {} surfs {}
}

# Adds points to the mesh; returns the index of the first.
proc add_points {meshVar points} {
    upvar 1 $meshVar mesh
    set first [llength [dict get $mesh verts]]
    dict lappend mesh verts {*}$points
    return $first
}

proc add_surf {meshVar flags mat corners} {
    upvar 1 $meshVar mesh
    dict lappend mesh surfs [list $flags $mat $corners]
}

proc write_name {f name} {
    puts $f "name \"$name\""
}

proc write_group {f name kids {loc ""}} {
    puts $f "OBJECT group"
    write_name $f $name
    if {$loc ne ""} { puts $f "loc $loc" }
    puts $f "kids $kids"
}

proc write_poly {f name mesh {texture ""}} {
    puts $f "OBJECT poly"
    write_name $f $name
    if {$texture ne ""} { puts $f "texture \"$texture\"" }
    puts $f "crease 45.000000"
    puts $f "numvert [llength [dict get $mesh verts]]"
    foreach p [dict get $mesh verts] { puts $f [join $p " "] }
    puts $f "numsurf [llength [dict get $mesh surfs]]"
    foreach s [dict get $mesh surfs] {
        lassign $s flags mat corners
        puts $f "SURF $flags"
        puts $f "mat $mat"
        puts $f "refs [llength $corners]"
        foreach c $corners { puts $f [join $c " "] }
    }
    puts $f "kids 0"
}

# ---- Shapes

# Joins rings of equal length into quads; a ring of one point is a pole,
# joined to its neighbour by triangles.  The points of each ring must run
# clockwise looking the way the rings go, so that the faces face outwards.
# The texture's u is given for each ring; v runs once round each ring.
proc loft {meshVar rings us flags mat} {
    upvar 1 $meshVar mesh
    set around 0
    foreach ring $rings { set around [expr {max($around, [llength $ring])}] }
    set starts {}
    foreach ring $rings { lappend starts [add_points mesh $ring] }
    set last [expr {[llength $rings] - 1}]
    for {set i 0} {$i < $last} {incr i} {
        set u0 [num [lindex $us $i]]
        set u1 [num [lindex $us $i+1]]
        set a [lindex $starts $i]
        set b [lindex $starts $i+1]
        set poleA [expr {[llength [lindex $rings $i]] == 1}]
        set poleB [expr {[llength [lindex $rings $i+1]] == 1}]
        for {set j 0} {$j < $around} {incr j} {
            set k [expr {($j + 1) % $around}]
            set v0 [num [expr {double($j) / $around}]]
            set v1 [num [expr {double($j + 1) / $around}]]
            set vm [num [expr {($j + 0.5) / $around}]]
            if {$poleA} {
                set corners [list [list $a $u0 $vm] [list [expr {$b + $k}] $u1 $v1] [list [expr {$b + $j}] $u1 $v0]]
            } elseif {$poleB} {
                set corners [list [list [expr {$a + $j}] $u0 $v0] [list [expr {$a + $k}] $u0 $v1] [list $b $u1 $vm]]
            } else {
                set corners [list [list [expr {$a + $j}] $u0 $v0] [list [expr {$a + $k}] $u0 $v1] \
                    [list [expr {$b + $k}] $u1 $v1] [list [expr {$b + $j}] $u1 $v0]]
            }
            add_surf mesh $flags $mat $corners
        }
    }
}

# A ring about a line along X: a super-ellipse half a wide and b high
# (power 2 is an ellipse; higher ones square it off), from the bottom up
# the starboard side.
proc ring_x {x y z a b n {power 2}} {
    set ring {}
    for {set j 0} {$j < $n} {incr j} {
        set t [expr {2 * $::pi * $j / $n}]
        set c [expr {cos($t)}]
        set s [expr {sin($t)}]
        set c [expr {($c < 0 ? -1 : 1) * pow(abs($c), 2.0 / $power)}]
        set s [expr {($s < 0 ? -1 : 1) * pow(abs($s), 2.0 / $power)}]
        lappend ring [point $x [expr {$y - $b * $c}] [expr {$z + $a * $s}]]
    }
    return $ring
}

# A circle about a line along Y, running the way that makes rings climbing
# up Y face outwards.
proc ring_y {x y z r n} {
    set ring {}
    for {set j 0} {$j < $n} {incr j} {
        set t [expr {2 * $::pi * $j / $n}]
        lappend ring [point [expr {$x + $r * cos($t)}] $y [expr {$z - $r * sin($t)}]]
    }
    return $ring
}

# A streamlined radius at t (0 at the nose, 1 at the tail), 1 at its
# widest: sqrt(t) rounds the nose, (1 - t)^tail draws the tail out.
proc streamline {t tail} {
    set widest [expr {0.5 / (0.5 + $tail)}]
    set peak [expr {sqrt($widest) * pow(1 - $widest, $tail)}]
    expr {sqrt($t) * pow(1 - $t, $tail) / $peak}
}

# Stations from 0 to 1, closer at both ends where the shape turns fastest.
proc station {i n} {
    expr {(1 - cos($::pi * $i / $n)) / 2}
}

# A body of revolution along -X from its nose at x: length long, radius
# wide at its widest; the texture's u runs from 1 at the nose to 0 at the
# tail, in step with x.
proc revolve {meshVar x y z long wide tail sections around flags mat} {
    upvar 1 $meshVar mesh
    set rings {}
    set us {}
    for {set i 0} {$i <= $sections} {incr i} {
        set t [station $i $sections]
        set r [expr {$wide * [streamline $t $tail]}]
        set xi [expr {$x - $long * $t}]
        lappend us [expr {1 - $t}]
        if {$i == 0 || $i == $sections} {
            lappend rings [list [point $xi $y $z]]
        } else {
            lappend rings [ring_x $xi $y $z $r $r $around]
        }
    }
    loft mesh $rings $us $flags $mat
}

# A box from corner lo to corner hi, its faces outwards.
proc box {meshVar lo hi flags mat} {
    upvar 1 $meshVar mesh
    lassign $lo x0 y0 z0
    lassign $hi x1 y1 z1
    set first [add_points mesh [list \
        [point $x0 $y0 $z0] [point $x1 $y0 $z0] [point $x1 $y0 $z1] [point $x0 $y0 $z1] \
        [point $x0 $y1 $z0] [point $x1 $y1 $z0] [point $x1 $y1 $z1] [point $x0 $y1 $z1]]]
    foreach face {{0 1 2 3} {4 7 6 5} {0 4 5 1} {1 5 6 2} {2 6 7 3} {3 7 4 0}} {
        set corners {}
        foreach i $face { lappend corners [list [expr {$first + $i}] 0 0] }
        add_surf mesh $flags $mat $corners
    }
}

# A flat quad given by its corners, each {x y z}.
proc pane {meshVar corners flags mat} {
    upvar 1 $meshVar mesh
    set points {}
    foreach c $corners { lappend points [point {*}$c] }
    set first [add_points mesh $points]
    set refs {}
    for {set i 0} {$i < 4} {incr i} { lappend refs [list [expr {$first + $i}] 0 0] }
    add_surf mesh $flags $mat $refs
}

# ---- The airship, in the frame of its group: the hull's axis on X

set hullLength 75.0
set hullRadius 7.5
set hullTail 1.0
set nose [expr {$hullLength / 2}]

# The hull's radius at x.
proc hull_radius {x} {
    set t [expr {($::nose - $x) / $::hullLength}]
    if {$t <= 0 || $t >= 1} { return 0.0 }
    expr {$::hullRadius * [streamline $t $::hullTail]}
}

proc hull {} {
    set mesh [new_mesh]
    revolve mesh $::nose 0 0 $::hullLength $::hullRadius $::hullTail 160 96 0x10 0
    return $mesh
}

# A fin in the plane through the axis towards {dy dz}: a swept trapezoid
# from its root, just inside the hull, out to 11 m from the axis.
proc fin {dy dz} {
    set mesh [new_mesh]
    set chord 8
    set span 4
    set rows {}
    for {set k 0} {$k <= $span} {incr k} {
        set b [expr {double($k) / $span}]
        set row {}
        for {set i 0} {$i <= $chord} {incr i} {
            set a [expr {double($i) / $chord}]
            set xr [expr {-24.0 - 11.5 * $a}]
            set xt [expr {-30.5 - 6.0 * $a}]
            set x [expr {$xr + ($xt - $xr) * $b}]
            set d [expr {([hull_radius $xr] - 0.15) * (1 - $b) + 11.0 * $b}]
            lappend row [point $x [expr {$d * $dy}] [expr {$d * $dz}]]
        }
        lappend rows [add_points mesh $row]
    }
    for {set k 0} {$k < $span} {incr k} {
        set a [lindex $rows $k]
        set b [lindex $rows $k+1]
        for {set i 0} {$i < $chord} {incr i} {
            set corners {}
            foreach c [list [expr {$a + $i}] [expr {$a + $i + 1}] [expr {$b + $i + 1}] [expr {$b + $i}]] {
                lappend corners [list $c 0 0]
            }
            add_surf mesh 0x20 1 $corners
        }
    }
    return $mesh
}

# The cabin under the hull: a squared-off section whose ends round off
# upwards into the hull.  Its top runs just inside the hull's bottom.
set cabinFore 22.0
set cabinLength 16.0
set cabinTop -6.9
set cabinWidth 2.0
set cabinHeight 1.5

proc cabin {} {
    set mesh [new_mesh]
    set sections 40
    set rings {}
    set us {}
    for {set i 0} {$i <= $sections} {incr i} {
        set t [station $i $sections]
        set x [expr {$::cabinFore - $::cabinLength * $t}]
        set f [expr {pow(max(0.0, 1 - pow(abs(2 * $t - 1), 6)), 1.0 / 6)}]
        if {$i == 0 || $i == $sections} {
            lappend rings [list [point $x $::cabinTop 0]]
        } else {
            set b [expr {$::cabinHeight * $f}]
            lappend rings [ring_x $x [expr {$::cabinTop - $b}] 0 [expr {$::cabinWidth * $f}] $b 32 4]
        }
        lappend us 0
    }
    loft mesh $rings $us 0x10 2
    return $mesh
}

# A row of panes along each side of the cabin, where its walls are flat,
# just off the wall.
proc windows {} {
    set mesh [new_mesh]
    set middle [expr {$::cabinTop - $::cabinHeight}]
    set y0 [expr {$middle - 0.35}]
    set y1 [expr {$middle + 0.45}]
    set x0 [expr {$::cabinFore - $::cabinLength / 2 - 4.2}]
    foreach side {1 -1} {
        set z [expr {$side * ($::cabinWidth + 0.03)}]
        for {set i 0} {$i < 7} {incr i} {
            set xa [expr {$x0 + 1.25 * $i}]
            set xb [expr {$xa + 0.9}]
            if {$side < 0} { lassign [list $xb $xa] xa xb }
            pane mesh [list [list $xa $y0 $z] [list $xb $y0 $z] [list $xb $y1 $z] [list $xa $y1 $z]] 0x20 3
        }
    }
    return $mesh
}

# An engine: a nacelle standing off the hull's lower flank on a strut, with
# a three-bladed pusher propeller at its tail.  side is 1 for starboard.
proc engine {front side} {
    set mesh [new_mesh]
    set long 5.0
    set r [hull_radius [expr {$front - $long / 2}]]
    set y [expr {-0.45 * $r}]
    set wall [expr {$r * sqrt(1 - 0.45 * 0.45)}]
    set z [expr {$side * ($wall + 2.5)}]
    revolve mesh $front $y $z $long 0.75 0.6 16 20 0x10 4
    set inner [expr {$side * 0.8 * $wall}]
    set zs [lsort -real [list $inner $z]]
    set xm [expr {$front - $long / 2}]
    box mesh [list [expr {$xm - 0.7}] [expr {$y - 0.12}] [lindex $zs 0]] \
        [list [expr {$xm + 0.7}] [expr {$y + 0.12}] [lindex $zs 1]] 0x00 4
    set xp [expr {$front - $long}]
    for {set k 0} {$k < 3} {incr k} {
        set blade {}
        foreach {radius across} {0.15 0.13 1.7 0.09 1.7 -0.09 0.15 -0.13} {
            set t [expr {2 * $::pi * $k / 3 + 0.4 + $across / $radius}]
            lappend blade [list $xp [expr {$y + $radius * cos($t)}] [expr {$z + $radius * sin($t)}]]
        }
        pane mesh $blade 0x20 4
    }
    return $mesh
}

# ---- The mooring, in the world: a mast on a round pad, at the nose

set mooringX [expr {$nose + 0.5}]
set noseHeight 16.0

proc mast {} {
    set mesh [new_mesh]
    set rings {}
    foreach {y r} [list 0 1.4 3 0.9 [expr {$::noseHeight - 1}] 0.45 [expr {$::noseHeight + 0.4}] 0.45] {
        lappend rings [ring_y $::mooringX $y 0 $r 16]
    }
    lappend rings [list [point $::mooringX [expr {$::noseHeight + 0.9}] 0]]
    loft mesh $rings {1 0.8 0.4 0.2 0} 0x10 4
    return $mesh
}

proc pad {} {
    set mesh [new_mesh]
    set rings [list [ring_y $::mooringX 0 0 11 64] [ring_y $::mooringX 0.25 0 11 64] \
        [list [point $::mooringX 0.25 0]]]
    loft mesh $rings {1 0.5 0} 0x00 5
    return $mesh
}

# ---- The skin: a texture painted into rows of pixels and written as a PNG

# The hull's u runs along it (0 at the tail) and v round it from the keel,
# up the starboard side (v 0.25) to the top (0.5) and down the port side
# (0.75).  Rows are kept by v, the bottom one first, as the texture is
# read; the PNG is written from the top.
set skinWidth 512
set skinHeight 256

proc skin_fill {imgVar u0 u1 v0 v1 rgb} {
    upvar 1 $imgVar img
    for {set v $v0} {$v < $v1} {incr v} {
        for {set u $u0} {$u < $u1} {incr u} {
            set i [expr {3 * $u}]
            foreach c $rgb {
                lset img $v $i $c
                incr i
            }
        }
    }
}

# Fills a block on the starboard side and its twin on the port side, turned
# half round about the middle of what is painted along u (from u0 to u1), so
# that lettering reads from left to right on both sides.
proc skin_both {imgVar u0 u1 v0 v1 rgb from to} {
    upvar 1 $imgVar img
    skin_fill img $u0 $u1 $v0 $v1 $rgb
    skin_fill img [expr {$from + $to - $u1}] [expr {$from + $to - $u0}] \
        [expr {$::skinHeight - $v1}] [expr {$::skinHeight - $v0}] $rgb
}

# Block letters, 5 x 7, the top row first.
set glyphs {
    R {####. #...# #...# ####. #.#.. #..#. #...#}
    I {##### ..#.. ..#.. ..#.. ..#.. ..#.. #####}
    L {#.... #.... #.... #.... #.... #.... #####}
    O {.###. #...# #...# #...# #...# #...# .###.}
}

proc skin_pixels {} {
    set row {}
    for {set u 0} {$u < $::skinWidth} {incr u} { lappend row 222 222 214 }
    set img [lrepeat $::skinHeight $row]
    set line {196 196 188}
    for {set u 8} {$u < $::skinWidth} {incr u 16} { skin_fill img $u [expr {$u + 1}] 0 $::skinHeight $line }
    for {set v 0} {$v < $::skinHeight} {incr v 16} { skin_fill img 0 $::skinWidth $v [expr {$v + 1}] $line }
    # The nose cap and the tail cone.
    skin_fill img 496 512 0 $::skinHeight {150 160 172}
    skin_fill img 0 10 0 $::skinHeight {150 160 172}
    # A red band and a thin blue line under the lettering, down each side.
    skin_both img 40 472 20 30 {196 52 40} 40 472
    skin_both img 40 472 32 35 {24 40 80} 40 472
    # RILO in dark blue blocks, 12 x 8 pixels each, centred at u 0.58.
    set word RILO
    set pitch 78
    set from [expr {int(0.58 * $::skinWidth) - (4 * $pitch - 18) / 2}]
    set to [expr {$from + 4 * $pitch - 18}]
    set top 94
    set at $from
    foreach letter [split $word ""] {
        set rows [dict get $::glyphs $letter]
        for {set r 0} {$r < 7} {incr r} {
            set bits [lindex $rows $r]
            for {set c 0} {$c < 5} {incr c} {
                if {[string index $bits $c] ne "#"} continue
                set u [expr {$at + 12 * $c}]
                set v [expr {$top - 8 * ($r + 1)}]
                skin_both img $u [expr {$u + 12}] $v [expr {$v + 8}] {24 40 80} $from $to
            }
        }
        incr at $pitch
    }
    return $img
}

proc png_chunk {type data} {
    set body $type$data
    binary format Ia*I [string length $data] $body [zlib crc32 $body]
}

proc write_png {path img} {
    set raw ""
    foreach row [lreverse $img] {
        append raw \x00 [binary format c* $row]
    }
    set ihdr [binary format IIccccc $::skinWidth $::skinHeight 8 2 0 0 0]
    set f [open $path wb]
    puts -nonewline $f "\x89PNG\r\n\x1a\n"
    puts -nonewline $f [png_chunk IHDR $ihdr]
    puts -nonewline $f [png_chunk IDAT [zlib compress $raw 9]]
    puts -nonewline $f [png_chunk IEND ""]
    close $f
}

# ---- The file

set f [open [file join $folder airship.ac] w]
fconfigure $f -translation lf
puts $f "AC3Db"
foreach m {
    {"skin" rgb 0.87 0.87 0.84  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.3 0.3 0.3  shi 32  trans 0}
    {"fins" rgb 0.78 0.2 0.16  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.2 0.2 0.2  shi 16  trans 0}
    {"gondola" rgb 0.16 0.3 0.5  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.2 0.2 0.2  shi 16  trans 0}
    {"glass" rgb 0.6 0.7 0.8  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.8 0.8 0.8  shi 96  trans 0.5}
    {"metal" rgb 0.26 0.27 0.29  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.6 0.6 0.6  shi 64  trans 0}
    {"concrete" rgb 0.62 0.62 0.6  amb 0.2 0.2 0.2  emis 0 0 0  spec 0 0 0  shi 0  trans 0}
} {
    puts $f "MATERIAL $m"
}
puts $f "OBJECT world"
puts $f "kids 2"
write_group $f airship 4 "0 $noseHeight 0"
write_poly $f hull [hull] airship-skin.png
write_group $f fins 4
foreach {name dy dz} {fin-top 1 0 fin-bottom -1 0 fin-port 0 -1 fin-starboard 0 1} {
    write_poly $f $name [fin $dy $dz]
}
write_group $f gondola 2
write_poly $f cabin [cabin]
write_poly $f windows [windows]
write_group $f engines 4
foreach {name front side} {engine-port-fore 8 -1 engine-starboard-fore 8 1 engine-port-aft -10 -1
    engine-starboard-aft -10 1} {
    write_poly $f $name [engine $front $side]
}
write_group $f mooring 2
write_poly $f mast [mast]
write_poly $f pad [pad]
close $f

write_png [file join $folder airship-skin.png] [skin_pixels]
