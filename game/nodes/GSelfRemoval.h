#pragma once

class BaseNode;

// Takes `node` out of its parent's children. The node is destroyed once
// nothing else holds it; the caller must not touch it afterwards unless it
// holds a reference of its own.
void removeNodeFromParent(BaseNode* node);
