# Initialisation in odd orders, run with the module loaded but not initialised.
source [file join [file dirname [info script]] lib.tcl]

set plugins [file dirname [info nameofexecutable]]

test about-before-init {About and Info answer before initialisation} {
    string match {Rilo - *} [lindex [standin about] 0]
} 1

test init-without-folder {a missing record or folder registers nothing and stays pending} {
    list [standin init -null] [standin init -nodir] [standin menu list] [standin commands] [standin tcllog]
} {0 0 {} {} {}}

test init-backslashes {backslashes become slashes before the source request} {
    set dir [string map {/ \\} $plugins]
    standin init $dir
    list [standin tcllog] [llength [standin menu list]] [llength [standin commands]]
} [list [list "source \"$plugins/rilo.tcl\""] 1 1]

test init-once {later calls change nothing} {
    standin init /elsewhere
    llength [standin tcllog]
} 1

# A plug-in folder whose name holds Tcl's special characters is read as a
# name: the script is found and nothing in the name is evaluated.
test special-folder {a folder named with brackets, dollar and quote} -setup {
    set dir [file join [makeDirectory tmp] {odd [set ::pwned 1] $x "q"}]
    file mkdir $dir
    file copy [file join $plugins rilo.p] [file join $plugins rilo.tcl] $dir
} -body {
    exec [info nameofexecutable] --plugins $dir -c {
        list [info exists ::pwned] [llength [info procs pjtrilo_dialog]] [llength [standin tcllog]]
    } 2>@1
} -cleanup {
    file delete -force [file join [temporaryDirectory] tmp]
} -result {0 1 1}

finish
