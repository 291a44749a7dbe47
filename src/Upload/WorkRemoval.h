#pragma once
// Deleting a work loses the performance for good: a row asks first. The confirmation names the
// song; `remove` runs only on yes, after the dialog has ended. Returns false when no dialog
// could be shown (nothing is removed then).
#include <functional>
#include <string>

bool confirmWorkRemoval(const std::wstring& song, std::function<void()> remove);
