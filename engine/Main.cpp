// Start-up and the main loop are being built.
int main() { return 0; }
