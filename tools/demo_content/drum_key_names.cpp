#include "tools/demo_content/drum_key_names.h"

#include <charconv>
#include <iterator>

namespace {

struct DrumKeyName {
    uint8_t key;
    std::string_view name;
};

// Keys 27..34 are the clicks and effects below the standard kit that most
// General MIDI sound sets carry; a count-in uses them.
constexpr DrumKeyName drumKeyNames[] = {
    {27, "high-q"},          {28, "slap"},            {29, "scratch-push"},   {30, "scratch-pull"},
    {31, "sticks"},          {32, "square-click"},    {33, "metronome-click"}, {34, "metronome-bell"},
    {35, "acoustic-kick"},   {36, "kick"},            {37, "side-stick"},     {38, "snare"},
    {39, "clap"},            {40, "electric-snare"},  {41, "floor-tom-low"},  {42, "hihat-closed"},
    {43, "floor-tom-high"},  {44, "hihat-pedal"},     {45, "tom-low"},        {46, "hihat-open"},
    {47, "tom-low-mid"},     {48, "tom-high-mid"},    {49, "crash"},          {50, "tom-high"},
    {51, "ride"},            {52, "china"},           {53, "ride-bell"},      {54, "tambourine"},
    {55, "splash"},          {56, "cowbell"},         {57, "crash-2"},        {58, "vibraslap"},
    {59, "ride-2"},          {60, "bongo-high"},      {61, "bongo-low"},      {62, "conga-high-mute"},
    {63, "conga-high-open"}, {64, "conga-low"},       {65, "timbale-high"},   {66, "timbale-low"},
    {67, "agogo-high"},      {68, "agogo-low"},       {69, "cabasa"},         {70, "maracas"},
    {71, "whistle-short"},   {72, "whistle-long"},    {73, "guiro-short"},    {74, "guiro-long"},
    {75, "claves"},          {76, "woodblock-high"},  {77, "woodblock-low"},  {78, "cuica-mute"},
    {79, "cuica-open"},      {80, "triangle-mute"},   {81, "triangle-open"},
};

}  // namespace

std::optional<uint8_t> drumKeyOfLabel(std::string_view label) {
    int key = -1;
    auto [end, error] = std::from_chars(label.data(), label.data() + label.size(), key);
    if (error == std::errc() && end == label.data() + label.size())
        return (key >= 0 && key <= 127) ? std::optional<uint8_t>(uint8_t(key)) : std::nullopt;
    for (const DrumKeyName& entry : drumKeyNames)
        if (entry.name == label) return entry.key;
    return std::nullopt;
}
