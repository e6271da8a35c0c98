#pragma once

#include "network/network_query.h"

#include <QStringList>
#include <array>
#include <vector>

// The grid and selector, in memory.
class FakeQueryView : public NetworkQueryView {
public:
    // Selecting an entry runs the query's radio selection when `selects` is true.
    explicit FakeQueryView(NetworkQuery& query, bool selects = true)
        : query_(query), selects_(selects) {
        clearResults();
    }
    void clearResults() override {
        rows.assign(1, {});
        selector.clear();
        selected = -1;
    }
    int resultRows() const override { return static_cast<int>(rows.size()); }
    void appendResultRow() override { rows.push_back({}); }
    QString cell(int row, int column) const override {
        return rows.at(static_cast<std::size_t>(row - 1)).at(static_cast<std::size_t>(column));
    }
    void setCell(int row, int column, const QString& text) override {
        rows.at(static_cast<std::size_t>(row - 1)).at(static_cast<std::size_t>(column)) = text;
    }
    void scrollToFirstColumn() override {}
    void setCurrentRow(int row) override { currentRow = row; }
    int selectorCount() const override { return static_cast<int>(selector.size()); }
    void selectSelectorEntry(int index) override {
        if (index == selected)
            return;
        selected = index;
        selectionsWhileListing.push_back(selector.size());
        if (selects_)
            query_.Combo1_Click();
    }
    void appendSelectorEntry(const QString& text) override { selector << text; }
    QString selectorText() const override { return selector.value(selected); }

    std::vector<std::array<QString, 6>> rows;
    QStringList selector;
    int selected = -1;
    int currentRow = 0;
    std::vector<qsizetype> selectionsWhileListing; // selector size at each selection

private:
    NetworkQuery& query_;
    bool selects_;
};
