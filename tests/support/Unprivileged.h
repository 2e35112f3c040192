#pragma once

// Permission bits do not bind root. A test that needs them calls unprivileged() first: run as
// root, it runs the same test function again in a child process as the user "nobody" (through
// setpriv), checks that the child passed, and returns false; in the child, or when not root
// to begin with, it returns true and the test goes on.
bool unprivileged();
