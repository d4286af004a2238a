# Checks for Tcl scripts run inside the stand-in: counts failures, and
# finish exits with status 1 when any check failed.

namespace eval ::test {
    variable checks 0
    variable failures 0
    variable group ""
}

proc ::test::group {name} {
    variable group $name
}

proc ::test::fail {name message} {
    variable failures
    variable group
    incr failures
    puts stderr "FAIL $group: $name: $message"
}

proc ::test::check {name condition} {
    variable checks
    incr checks
    if {!$condition} {
        fail $name "condition is false"
    }
}

proc ::test::same {name actual expected} {
    variable checks
    incr checks
    if {$actual ne $expected} {
        fail $name "got {$actual}, expected {$expected}"
    }
}

# Whether two lists of numbers agree to within TOLERANCE, element by element.
proc ::test::near {name actual expected {tolerance 1e-6}} {
    variable checks
    incr checks
    if {[llength $actual] != [llength $expected]} {
        fail $name "got {$actual}, expected {$expected}"
        return
    }
    foreach a $actual e $expected {
        if {abs($a - $e) > $tolerance} {
            fail $name "got {$actual}, expected {$expected}"
            return
        }
    }
}

proc ::test::finish {} {
    variable checks
    variable failures
    puts "$checks checks, $failures failed"
    exit [expr {$failures == 0 ? 0 : 1}]
}
