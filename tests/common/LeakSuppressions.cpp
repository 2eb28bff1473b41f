// fontconfig keeps what it parsed from its configuration files for the life of the process;
// the leak checker of sanitizer builds is told so (unused in other builds).
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}
