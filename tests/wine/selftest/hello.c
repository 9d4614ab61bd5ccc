/* Smallest console program: proves a 32-bit PE starts and prints under Wine. */
#include <stdio.h>

int main(void)
{
    printf("hello from win32 (%u-bit)\n", (unsigned)(sizeof(void *) * 8));
    return 0;
}
