#pragma once

// "*" matches any run of bytes, the empty one included; "?" matches any one
// byte; every other byte only itself, so the match is case-sensitive.
bool WildcardMatch(const char* name, const char* pattern);
