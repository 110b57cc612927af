// Built against one library with a header of another: the layer tests build
// it against the owner of the header, which must work, and against the layer
// below, where the include must not be found.
#include PROBE_HEADER

int main() { return 0; }
