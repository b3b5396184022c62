// torvan: the player.
int main() { return 0; }
