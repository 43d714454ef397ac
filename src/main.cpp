#include "driver/run.h"

int main() { Run(); }
