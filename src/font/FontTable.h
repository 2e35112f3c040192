#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The sign's character generator: 256 symbols of 8 x 8 dots. Symbol n is bytes 8n..8n+7, one
// byte per column from the left, bit 0 the top row, a set bit a lit dot. UndoTable is the one
// level of undo the editor keeps, SymbolClip its one-symbol clipboard. All three live for the
// whole run and start zeroed.
class FontTables {
public:
    static constexpr std::size_t SymbolBytes = 8;
    static constexpr std::size_t TableBytes = 2048;

    std::array<std::uint8_t, TableBytes> FontTable{};
    std::array<std::uint8_t, TableBytes> UndoTable{};
    std::array<std::uint8_t, SymbolBytes> SymbolClip{};

    // n is 0..255, c and r 0..7; callers never pass anything else.
    void ClearFont();
    void ClearSymbol(int n);
    void InvertSymbol(int n);
    bool DotIsSet(int n, int c, int r) const;
    void SetDot(int n, int c, int r);
    void ClearDot(int n, int c, int r);
    void CopySymbol(int n);
    void PasteSymbol(int n);
    void TakeUndoCopy();
    void RestoreUndoCopy();

    // Whole-symbol moves of symbol n. Dots pushed over an edge are lost; the edge they leave
    // comes in dark.
    void ShiftSymbolLeft(int n);
    void ShiftSymbolRight(int n);
    void ShiftSymbolUp(int n);
    void ShiftSymbolDown(int n);
    void MirrorSymbol(int n); // left and right change places
    void FlipSymbol(int n);   // upside down
    // Moves the symbol left until its leftmost column has a lit dot, as the sign spaces its
    // letters by their first column; an empty symbol stays as it is. No dot is lost.
    void SymbolToLeft(int n);
    // Whether symbols first..last have no lit dot at all.
    bool allBlank(int first, int last) const;

    // Each listener is called after every operation here that changes FontTable, so a view of
    // the font need not compare the table; a write into the array itself tells nobody. A
    // listener stays for the table's life: one that may outlive its receiver checks it.
    void addChangeListener(std::function<void()> listener) {
        m_changed.push_back(std::move(listener));
    }

    // Reads the first 2048 bytes of a .zg file into FontTable. The file is only read, so a
    // font the operator may not change still loads. A file of fewer bytes leaves them over
    // the first bytes of the table and fails with 100 "Read beyond end of file"; any other
    // failure leaves the table as it was. Throws IoError.
    void LoadZg(const std::string& path);
    // Writes FontTable as a 2048-byte .zg file. The file is replaced as a whole, so a failed
    // save (a full disk) leaves the previous file as it was. Throws IoError.
    void SaveZg(const std::string& path);

private:
    void changed() const {
        for (const auto& listener : m_changed)
            listener();
    }
    std::uint8_t* symbol(int n) { return FontTable.data() + SymbolBytes * n; }
    const std::uint8_t* symbol(int n) const { return FontTable.data() + SymbolBytes * n; }

    std::vector<std::function<void()>> m_changed;
};

// The number and text the operator is told for a failed .zg load or save: the system's error
// `err` for the file `path`.
struct ZgError {
    int code;
    std::string text;
    bool numberOnly = false; // "I/O error N": the text gives no reason
};
ZgError zgErrorFor(int err, const std::string& path);
