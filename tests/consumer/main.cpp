#include "engine/objects/Objects.h"
#include "utilities/memory/RecordMemory.h"
#include "utilities/walk/Walking.h"

#include <cstdio>

int main() {
    Tarn::Objects::SharedMatrix matrix;
    Tarn::Utilities::RecordMemory recorder;
    Tarn::Utilities::WalkPointer(static_cast<Tarn::Objects::ARefCounted*>(&matrix), &recorder);
    std::fputs(recorder.GetResults(), stdout);
    return 0;
}
