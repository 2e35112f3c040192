// The program of the link checks: it links one subsystem library whole with only the
// libraries it names, so that the linker reports any other it uses.
int main() {
    return 0;
}
