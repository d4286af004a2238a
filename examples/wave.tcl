# A plank of 11 x 3 vertices rippled along x by one and a half waves of
# height 0.2, then undone: run with  build/bin/standin examples/wave.tcl
set plank [standin object plank]
for {set i 0} {$i <= 10} {incr i} {
    foreach z {0 0.5 1} { standin vertex $plank [expr {$i * 0.2}] 0 $z }
}

proc show {title id} {
    puts $title
    foreach {x y z} [standin get $id] {
        if {$z == 0} { puts [format "  x %5.2f  y %+.4f  %s" $x $y [string repeat # [expr {round(($y + 0.25) * 60)}]]] }
    }
}

standin select objects plank
show "before:" $plank
pjtrilo_go x y 1.5 0.2 0 1 0
show "after pjtrilo_go x y 1.5 0.2 0 1 0 (1.5 cycles across the plank, additive):" $plank
puts "undo: [standin undo]"
