// Convert: checks the input, fills the engine from the list and the preset, runs the batch.
#pragma once

#include <string>

// <program folder>\core\kalder.exe.
std::wstring getTranscoderPath();
void onConvert();
// Selects exactly the list items whose job reached 100 %.
void selectFinishedItems();
// Returns once the last batch's worker has ended; the window keeps painting meanwhile.
// After a Stop the progress dialog may close while the transcoder is still quitting.
void waitForEngineWorker();
// True from the start of a batch until Convert has ended, waits included; a close asked for
// meanwhile is deferred until then.
bool isBatchBusy();
void deferCloseUntilBatchEnds();
