#include <cstdio>
int main() { std::puts("engine demo: not yet built"); return 0; }
