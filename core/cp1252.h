#pragma once
// Card texts are Windows-1252 bytes; the window works in Unicode (UTF-8 here). Conversion
// happens only where texts cross that edge.

#include <string>
#include <string_view>
#include <vector>

// A character with no Windows-1252 code becomes '?'; malformed UTF-8 bytes too.
std::string utf8VersCp1252(std::string_view utf8);
// The five unassigned codes (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 control of the same
// number, so that any byte of a card can be shown.
std::string cp1252VersUtf8(std::string_view cp1252);

// One character each way. octetCp1252 is -1 for a character Windows-1252 has no code for
// (the five unassigned codes go to and from the C1 controls of the same number).
int octetCp1252(char32_t c);
char32_t caractereCp1252(unsigned char octet);
// True when the bytes are well-formed UTF-8 (no stray continuation byte, no cut sequence, no
// overlong form, no surrogate, nothing past U+10FFFF).
bool utf8Valide(std::string_view octets);
// One UTF-8 character at p (before fin), checked as utf8Valide checks: its length, with the
// character in c, or 0 when the bytes are not UTF-8.
int decoderUtf8(const unsigned char* p, const unsigned char* fin, char32_t& c);

// Descriptions keep CR LF line breaks in the card and plain line breaks in the window.
std::string lignesVersFiche(std::string_view texte);   // "\n" -> "\r\n"
std::string lignesVersFenetre(std::string_view texte); // "\r\n" -> "\n"
// Bytes the text takes in a card, once its plain line breaks become CR LF.
std::size_t octetsEnFiche(std::string_view utf8);

// True when a card's text field can hold the character: it has a Windows-1252 code and is not
// the zero that ends the field.
bool stockableEnFiche(char32_t c);
// The characters of a UTF-8 text that a card field cannot hold, each once, in order of first
// appearance; malformed bytes count as U+FFFD. Empty when the whole text can be stored.
std::vector<char32_t> caracteresNonStockables(std::string_view utf8);
std::vector<char32_t> caracteresNonStockables(std::u32string_view texte);

// Appends the UTF-8 bytes of one Unicode character.
void ajouterUtf8(std::string& s, char32_t c);
