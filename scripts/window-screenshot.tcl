# The main window's pictures for docs/window.md, one row of the table each:
# the name of the picture, the scaling the window starts with, the screen,
# the window's size (default, minimum or WIDTHxHEIGHT), what it needs (a
# feature not there yet skips the picture), what is on show, and the model:
# an example of examples/, the bundled banner.ac or one its make-NAME.tcl
# writes.  scripts/window-screenshot.sh reads the table through tclsh, then
# runs this in standin --gui MODEL.ac once per picture:
#   window-screenshot.tcl -- NAME DOCS-FOLDER
# Tk keeps a scaling as the screen's width in whole millimetres: on screens
# 1440 and 2880 pixels wide, 96 and 192 dpi are exact (on 1600, 96.08).
set shots {
    window         1.3333 1440x1080x24 default   {}     waved   banner
    window-192dpi  2.6667 2880x2160x24 default   {}     waved   banner
    window-min     1.3333 1440x1080x24 minimum   {}     waved   banner
    window-shaded  1.3333 1440x1080x24 default   shaded shaded  banner
    window-live    1.3333 1920x1200x24 default   live   live    banner
    dialog-beside  1.3333 1600x1000x24 860x640   live   live    banner
    window-four    1.3333 1600x1000x24 1400x900  {}     gondola airship
}
if {![llength [info commands standin]]} {
    foreach {name scaling screen size needs show model} $shots {
        puts "$name $scaling $screen $model"
    }
    exit 0
}

lassign $argv shot docs
set ::standin::gui::modal_messages 0

proc settle {} {
    update
    after 200
    update
}

source [file join [file dirname [info script]] banner-dialog.tcl]

proc open_dialog {} {
    open_banner_dialog
    settle
}

# What a picture needs, or why it cannot be made yet.
proc missing {feature} {
    switch -- $feature {
        shaded {
            if {[catch {.menubar.view index Shaded}]} {return "the view has no Shaded style yet"}
        }
        live {
            if {[catch {standin live clear}]} {return "the window shows no live preview of the wave yet"}
        }
    }
    return ""
}

proc show {what} {
    switch -- $what {
        waved {
            open_dialog
            .rilo.f.buttons.ok invoke
        }
        shaded {
            open_dialog
            .rilo.f.buttons.ok invoke
            .menubar.view invoke Shaded
        }
        live {
            open_dialog
        }
        gondola {
            standin select objects gondola
            settle
            ::standin::gui::fit all
        }
    }
    settle
}

# The window, or with the dialog open the part of the screen that holds both.
proc capture {path} {
    if {![winfo exists .rilo]} {
        exec import -window [wm frame .] $path
        return
    }
    set x0 [expr {min([winfo rootx .], [winfo rootx .rilo])}]
    set y0 [expr {min([winfo rooty .], [winfo rooty .rilo])}]
    set x1 [expr {max([winfo rootx .] + [winfo width .], [winfo rootx .rilo] + [winfo width .rilo])}]
    set y1 [expr {max([winfo rooty .] + [winfo height .], [winfo rooty .rilo] + [winfo height .rilo])}]
    exec import -window root -crop [expr {$x1 - $x0}]x[expr {$y1 - $y0}]+$x0+$y0 +repage $path
}

foreach {name scaling screen size needs what model} $shots {
    if {$name ne $shot} continue
    set why [missing $needs]
    if {$why ne ""} {
        puts "skipped $name.png: $why"
        exit 0
    }
    if {$size eq "minimum"} {
        wm geometry . [join [wm minsize .] x]
    } elseif {$size ne "default"} {
        wm geometry . $size
    }
    settle
    show $what
    capture [file join $docs $name.png]
    puts "wrote $name.png ([wm geometry .] at tk scaling [tk scaling])"
    exit 0
}
puts stderr "no picture named $shot"
exit 1
