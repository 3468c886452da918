// The diagnostic window: nothing to show yet, so exit cleanly.
int main() {
    return 0;
}
