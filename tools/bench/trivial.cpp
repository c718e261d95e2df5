// The smallest Windows program: the yardstick for process start under Wine.
int main() {
    return 0;
}
