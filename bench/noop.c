/* The floor for start-up: a static C program that does nothing. */
int main(void) { return 0; }
