#pragma once

// The author's personal values, shown in the about window, the banner and the farewell.
namespace Author {
inline constexpr char name[] = "Ferdinand Floppe";
inline constexpr char country[] = "Belgium";
inline constexpr char email[] = "styles@example.org";
inline constexpr char webPage[] = "www.example.org/korvana";
inline constexpr char webPageUrl[] = "https://www.example.org/korvana";
// The style exchange site named at the end of the farewell.
inline constexpr char exchangeSite[] = "www.example.net/korvana-styles";
inline constexpr char exchangeSiteUrl[] = "https://www.example.net/korvana-styles";
inline constexpr char synthesizerSiteUrl[] = "https://en.wikipedia.org/wiki/Synthesizer";
inline constexpr char keyboardModel[] = "KA-880";
} // namespace Author
