// sync_actions.cpp -- the wiring from the song's sync values to the overlay, the playlist and the scenes.
#include "runtime/sync_actions.h"

#include <cstdio>

#include "runtime/demo_run.h"
#include "runtime/sync_table.h"

namespace qm {

const SyncValue* findSyncValue(int value) {
    for (const SyncValue& row : kSyncValues)
        if (row.value == value) return &row;
    return nullptr;
}

const OverlayEffect* overlayEffectOf(int value) {
    const SyncValue* row = findSyncValue(value);
    return row && row->overlayEffect >= 0 ? &kOverlayEffects[static_cast<size_t>(row->overlayEffect)]
                                          : nullptr;
}

std::string syncValueName(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "Z%02X", value);
    return text;
}

void onPatternEffect(DemoRun& run, int value) {
    if (const SyncValue* row = findSyncValue(value)) {
        if (row->nextScene) run.demo.requestAdvance();
        if (row->overlayEffect >= 0) run.overlay.trigger(row->overlayEffect);
    }
    if (run.demo.current) run.demo.current->runEvent(value);
}

void runPatternEffect(void* context, int value) {
    onPatternEffect(*static_cast<DemoRun*>(context), value);
}

}  // namespace qm
