// The fold under which the master is searched: what a user types finds an
// item however either of them was written.
//
//  - width: full-width letters, digits and signs are the plain ones
//    ("Ａ" is "A"), half-width katakana are the full-width ones ("ｱｼﾊﾞ" is
//    "アシバ"), and other compatibility forms are what they stand for
//    ("㎡" is "m2", "①" is "1"), by Unicode's NFKC;
//  - kana: hiragana are katakana ("あしば" is "アシバ");
//  - case: letters of any script compare without case ("VP" is "vp");
//  - long vowel and dashes: "ー", "ｰ", "-", "－", "‐", "—", "―", "−" are one
//    mark, as half-width input types "ｺﾝｸﾘ-ﾄ" for "コンクリート";
//  - voiced marks stay significant ("バ" is not "ハ"), but a mark typed as
//    a character of its own ("ハ゛", "ﾊﾞ") is joined to its kana ("バ");
//  - blanks do not count inside a text; in a search they separate words
//    that must all be found ("足場 単管" finds "単管足場").
#pragma once
#include <QString>

namespace rz {

// A text of the master folded for searching, its blanks removed.
QString foldForSearch(const QString &text);
// What the user typed, folded, its words separated by one blank each: the
// words that must all be found. A query whose fold begins with another's
// finds no item the other does not.
QString foldQuery(const QString &query);

}  // namespace rz
