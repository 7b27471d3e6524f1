#include "platform/web/drive.h"

PageDrive::PageDrive(const SystemColorSource& colors, TextEngine* text)
    : Canvas(colors, text), Drive(Canvas) {}

void PageDrive::Start(std::int32_t width, std::int32_t height, const SaverSettings& settings,
                      int courseSteps, Clock& clock) {
    Canvas.Resize(width, height);
    Drive.Start(width, height, settings, courseSteps, clock);
    Next = 0;
}

void PageDrive::RunNext() {
    if (!Drive.Started()) return;
    Drive.RunFrame(Next);
    ++Next;
}

int PageDrive::RunDue(double elapsedMs) {
    int ran = 0;
    while (Drive.Started() &&
           static_cast<double>(Next) * static_cast<double>(Drive.Period()) <= elapsedMs) {
        RunNext();
        ++ran;
    }
    return ran;
}
