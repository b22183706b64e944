// Carries the Windows executable's resources so the tests can read them without running a
// program that asks for administrator rights.
int main() { return 0; }
