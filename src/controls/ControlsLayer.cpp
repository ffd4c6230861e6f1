// Custom widgets live in this library.
