// Picture resources are compiled into this library.
