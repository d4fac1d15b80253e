#define IDR_THING 101
