#include "browserhost/BrowserHostRelay.h"

int main()
{
    return BrowserHostRelay().run();
}
