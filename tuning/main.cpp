#include "tuning_flow.h"

#include <stddef.h>

int main(int argc, char **argv)
{
    // A missing argument is a null text; argv is never read past argc.
    return RunGetVantorel(argc > 1 ? argv[1] : NULL, argc > 2 ? argv[2] : NULL,
                          argc > 3 ? argv[3] : NULL);
}
