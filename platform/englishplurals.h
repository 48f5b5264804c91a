#pragma once

#include <QTranslator>

// English needs no translation but for its plurals: a text written with "%n" and "(s)",
// such as tr("%n style(s)", nullptr, n), reads "1 style" and "3 styles". A translation
// installed after it comes first.
class EnglishPlurals : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }
};
