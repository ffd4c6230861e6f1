// Application shell.
