// Replaced by the library tests.
