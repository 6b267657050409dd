/* A program built with none of the hardening, to show each ELF check sees its fault:
   a local buffer (stack protector), a copy into it (fortified calls), and a call into
   a library linked by its path. */
#include <stdio.h>
#include <string.h>

int zel_weak_dependency(int value);

int main(int argc, char** argv) {
  char name[16];
  strcpy(name, argc > 1 ? argv[1] : "weak");
  printf("%s %d\n", name, zel_weak_dependency(argc));
  return 0;
}
