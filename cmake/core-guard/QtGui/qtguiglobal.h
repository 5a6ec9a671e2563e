// Found first on the include path of the core libraries, so that including
// any widget or GUI header there stops the build: the backup and restore runs
// must keep running without a display.
#error "A core library includes a Qt widget or GUI header; move that code to a windows library."
