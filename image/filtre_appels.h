#pragma once
// The system calls a picture decoder never needs, refused with EPERM by a seccomp filter: a
// library that tries one politely gets an error it can handle, never a dead process.

// Installs the filter on the process. Returns false when the kernel offers no seccomp filter
// or refuses it (some containers); throws Erreur when it fails in any other way.
bool filtrerAppels();
