# Writes banner.ac: a banner on a flagpole, the model the apply example runs on.
#   tclsh examples/make-banner.tcl examples/banner.ac
# The flagpole is a group placed with loc; the banner, a grid of quads in the
# x-y plane, hangs from it with a loc of its own, so the model exercises the
# transforms between object and world coordinates.
set out [lindex $argv 0]
set f [open $out w]
fconfigure $f -translation lf

proc box {f name loc sx sy sz} {
    puts $f "OBJECT poly"
    puts $f "name \"$name\""
    puts $f "data [string length $name]"
    puts $f $name
    puts $f "loc $loc"
    puts $f "crease 30.000000"
    puts $f "numvert 8"
    foreach y [list 0 $sy] {
        foreach {x z} [list 0 0 $sx 0 $sx $sz 0 $sz] { puts $f "$x $y $z" }
    }
    set faces {{0 1 2 3} {4 7 6 5} {0 4 5 1} {1 5 6 2} {2 6 7 3} {3 7 4 0}}
    puts $f "numsurf [llength $faces]"
    foreach face $faces {
        puts $f "SURF 0x00"
        puts $f "mat 1"
        puts $f "refs 4"
        foreach i $face { puts $f "$i 0 0" }
    }
    puts $f "kids 0"
}

puts $f "AC3Db"
puts $f {MATERIAL "cloth" rgb 0.82 0.29 0.36  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.1 0.1 0.1  shi 8  trans 0}
puts $f {MATERIAL "wood" rgb 0.55 0.4 0.25  amb 0.2 0.2 0.2  emis 0 0 0  spec 0.2 0.2 0.2  shi 16  trans 0}
puts $f "OBJECT world"
puts $f "kids 1"
puts $f "OBJECT group"
puts $f "name \"flagpole\""
puts $f "loc 2 0 -0.5"
puts $f "kids 2"
box $f pole {-0.04 0 -0.04} 0.08 3.2 0.08

# The banner: 25 x 7 vertices over 2.4 x 1.2, texture coordinates across it.
set nx 25
set ny 7
puts $f "OBJECT poly"
puts $f "name \"banner\""
puts $f "data 6"
puts $f "banner"
puts $f "loc 0.04 1.9 0"
puts $f "crease 45.000000"
puts $f "numvert [expr {$nx * $ny}]"
for {set j 0} {$j < $ny} {incr j} {
    for {set i 0} {$i < $nx} {incr i} {
        puts $f [format "%g %g 0" [expr {$i * 2.4 / ($nx - 1)}] [expr {$j * 1.2 / ($ny - 1)}]]
    }
}
puts $f "numsurf [expr {($nx - 1) * ($ny - 1)}]"
for {set j 0} {$j + 1 < $ny} {incr j} {
    for {set i 0} {$i + 1 < $nx} {incr i} {
        puts $f "SURF 0x30"
        puts $f "mat 0"
        puts $f "refs 4"
        foreach {di dj} {0 0 1 0 1 1 0 1} {
            set a [expr {($j + $dj) * $nx + $i + $di}]
            puts $f [format "%d %g %g" $a [expr {double($i + $di) / ($nx - 1)}] [expr {double($j + $dj) / ($ny - 1)}]]
        }
    }
}
puts $f "kids 0"
close $f
