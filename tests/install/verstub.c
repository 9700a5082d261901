/* A library that only carries a version resource, for the "only if newer" tests. */
int VersionStub(void) { return 0; }
