// The whole run of getVantorel: one request to the AuthenticationService, one profile.
#ifndef TUNING_TUNING_FLOW_H
#define TUNING_TUNING_FLOW_H

// Sends the three texts (null when not given) with this machine's memory figures to
// getVantorelInfo and prints the 17 name=value lines of the reply on stdout. Failures
// are reported on stderr (or, for a reply of the wrong shape, with a message on stdout);
// the result is 0 on every path, as the installer expects.
int RunGetVantorel(const char *arg1, const char *arg2, const char *arg3);

#endif
