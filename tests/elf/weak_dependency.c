/* A library with no soname: a program linked to it by path needs it by path. */
int zel_weak_dependency(int value);

int zel_weak_dependency(int value) { return value + 1; }
