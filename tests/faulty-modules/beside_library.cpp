// A library of a module's own, which lies beside it where it was built.
extern "C" int zr_palvessa_beside() {
  return 1;
}
