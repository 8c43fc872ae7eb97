// Placeholder translation unit: the shared library is assembled from the core archive.
