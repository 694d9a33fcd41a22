#include "core/ErrorBox.h"

#include "platform/MessageBox.h"

// One line, 445 characters, beginning with a space: the authors' word to the audience.
const char* const kErrorTrailer =
    " Hey you out there, yes you in front of the screen: something went wrong while the demo was "
    "getting ready, and we are sorry that you have to read this instead of watching it. Check that "
    "the Data folder sits next to the p"
    "rogram, that the script and the music are where the script says, and that your graphics "
    "driver is awake. Then grab a drink, try once more, and if it still sulks, come and tell us at "
    "the party and we will buy you one. Cheers!!";

void ShowError(std::string context, std::string message)
{
    std::string caption = "Vortexel 1.5 Error: " + context;
    std::string text = "Bad: " + message + "\r\n\r\n" + kErrorTrailer;
    platform::ShowMessageBox(platform::BoxIcon::Error, caption, text);
}

void ShowInfo(std::string context, std::string message)
{
    std::string caption = "Vortexel 1.5 Information: " + context;
    std::string text = "Info: " + message;
    platform::ShowMessageBox(platform::BoxIcon::Information, caption, text);
}
