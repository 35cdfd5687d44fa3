#include "editor/AdviceReport.h"

void AdviceReport::addLine (int, AdviceLine)
{
}
