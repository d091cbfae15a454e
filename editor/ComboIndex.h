// The selected item of a combo box as the editor reads it.
#pragma once

class QComboBox;

// The item index a combo box shows: for an editable one whose typed text
// matches no item, -1 (the toolkit keeps its last index in that case).
int ItemIndex(const QComboBox* combo);
