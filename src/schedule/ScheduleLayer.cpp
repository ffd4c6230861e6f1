// Scheduling logic lives in this library.
