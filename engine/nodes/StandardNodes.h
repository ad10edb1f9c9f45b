#pragma once

class CNodeFactory;

// Registers every standard node class of this library with `factory` under
// its class name ("TextNode", "SpriteNode", ...), so that scene files can
// name them. Call it once, before the first scene is read; names already
// registered keep their first creator.
void registerStandardNodes(CNodeFactory& factory);
