// tarn_report: summaries, differences, budgets, JSON, CSV and treemaps of the memory reports that
// RecordMemory::GetResults writes.
#include "tools/report/ReportTool.h"

#include <iostream>

int main(int argc, char** argv) { return Tarn::Utilities::RunReportTool(argc, argv, std::cin, std::cout, std::cerr); }
