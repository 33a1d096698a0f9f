// A layer without sources yet still forms a library.
