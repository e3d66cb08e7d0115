// Small text helpers the panel.cfg reader and the checker share.
#pragma once

#include <string>
#include <vector>

std::string lower(std::string text);
// Without the blanks and tabs at either end.
std::string trim(const std::string& text);
// The text before a "//" comment.
std::string uncommented(const std::string& text);
// A whole decimal number filling the field (blanks around it allowed).
bool parse_int(const std::string& field, int& out);
// A finite decimal number filling the field (blanks around it allowed).
bool parse_real(const std::string& field, double& out);
std::vector<std::string> split_commas(const std::string& text);
// "windowNN" / "gaugeNN" style names (lower case): the number behind prefix, or -1.
int numbered(const std::string& key, const std::string& prefix);
// The number as panel.cfg names write it, in at least two digits ("Window01", "gauge07").
std::string two_digits(int n);
