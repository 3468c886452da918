// The login item: nothing to do yet but exit cleanly.
int main() {
    return 0;
}
