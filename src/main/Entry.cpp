// Program entry; the start-up order lives in main/Application.
int main() {
    return 0;
}
