// The town's buildings and the things by the road, one per render: the
// renderer is told which with Declare=Model=N (see tools/assets/renders.py).
// One unit is about a metre; a building place is 6 x 6 units.
#version 3.7;
global_settings { assumed_gamma 1.0 }

#ifndef (Model) #declare Model = 0; #end

// An orthographic three-quarter view from the front left, and a warm sun
// from the upper left that casts the shadows to the back right.
camera {
    orthographic
    location <-14, 14, -14> * 2
    look_at <0, 2.6, 0>
    right x * 11
    up y * 13
}
light_source { <-60, 110, -35> color rgb <1.0, 0.96, 0.88> * 1.25
    area_light <8, 0, 0>, <0, 0, 8>, 3, 3 adaptive 1 }
light_source { <50, 40, -70> color rgb <0.45, 0.5, 0.6> * 0.45 shadowless }
background { color rgbt <0, 0, 0, 1> }

// With Declare=Ground=1 a white ground takes the shadows: the render tool
// keeps only how dark it got, so the building casts its shadow on the
// level's own grass.
#ifndef (Ground) #declare Ground = 0; #end
#if (Ground)
    plane { y, 0 pigment { color rgb 1 } finish { diffuse 0.8 ambient 0.2 } }
#end

#macro Paint(C) pigment { color rgb C } finish { ambient 0.12 diffuse 0.8 specular 0.05 } #end
#macro Shiny(C) pigment { color rgb C } finish { ambient 0.12 diffuse 0.75 specular 0.4 roughness 0.02 } #end

#declare WallCream = <0.93, 0.86, 0.70>;
#declare WallWhite = <0.95, 0.94, 0.90>;
#declare WallBrick = <0.66, 0.30, 0.22>;
#declare WallBlue = <0.55, 0.68, 0.80>;
#declare WallGreen = <0.55, 0.72, 0.52>;
#declare Wood = <0.55, 0.37, 0.20>;
#declare WoodDark = <0.36, 0.23, 0.13>;
#declare RoofRed = <0.66, 0.20, 0.16>;
#declare RoofSlate = <0.30, 0.34, 0.42>;
#declare RoofGreen = <0.24, 0.45, 0.30>;
#declare RoofBrown = <0.45, 0.28, 0.16>;
#declare Stone = <0.62, 0.60, 0.56>;
#declare Glass = <0.38, 0.55, 0.70>;
#declare Gold = <0.95, 0.74, 0.20>;

// A box of walls from (x0, 0, z0) to (x1, h, z1).
#macro Walls(X0, Z0, X1, Z1, H, C)
    box { <X0, 0, Z0>, <X1, H, Z1> Paint(C) }
#end

// A gable roof over (x0..x1, z0..z1) from height h, ridge along x.
#macro Gable(X0, Z0, X1, Z1, H, R, C)
    #local O = 0.35;
    union {
        // The triangle in the plane across the ridge, swept along it.
        prism { linear_sweep linear_spline X0 - O, X1 + O, 4,
            <-H, Z0 - O>, <-H, Z1 + O>, <-(H + R), (Z0 + Z1) / 2>, <-H, Z0 - O>
            rotate z * -90 Paint(C) }
        // The eaves.
        box { <X0 - O, H - 0.12, Z0 - O>, <X1 + O, H, Z1 + O> Paint(C * 0.8) }
    }
#end

// A window on the front face (z = Z) at x, y.
#macro FrontWindow(X, Y, Z, W, H)
    union {
        box { <X - W / 2 - 0.08, Y - 0.08, Z - 0.06>, <X + W / 2 + 0.08, Y + H + 0.08, Z> Paint(WallWhite) }
        box { <X - W / 2, Y, Z - 0.08>, <X + W / 2, Y + H, Z - 0.02> Shiny(Glass) }
        box { <X - 0.03, Y, Z - 0.1>, <X + 0.03, Y + H, Z - 0.06> Paint(WallWhite) }
    }
#end
// The same on the left face (x = X) at z, y.
#macro SideWindow(X, Y, Z, W, H)
    union {
        box { <X - 0.06, Y - 0.08, Z - W / 2 - 0.08>, <X, Y + H + 0.08, Z + W / 2 + 0.08> Paint(WallWhite) }
        box { <X - 0.08, Y, Z - W / 2>, <X - 0.02, Y + H, Z + W / 2> Shiny(Glass) }
    }
#end
#macro Door(X, Z, W, H, C)
    box { <X - W / 2, 0, Z - 0.08>, <X + W / 2, H, Z> Paint(C) }
#end
#macro Chimney(X, Y, Z)
    box { <X - 0.25, Y, Z - 0.25>, <X + 0.25, Y + 1.2, Z + 0.25> Paint(WallBrick) }
#end
#macro Fence(X0, X1, Z)
    union {
        #local I = X0; #while (I <= X1) box { <I - 0.05, 0, Z - 0.05>, <I + 0.05, 0.6, Z + 0.05> Paint(WallWhite) } #local I = I + 0.5; #end
        box { <X0, 0.35, Z - 0.03>, <X1, 0.45, Z + 0.03> Paint(WallWhite) }
    }
#end
#macro Bush(X, Z, R)
    sphere { <X, R * 0.8, Z>, R scale <1, 0.85, 1> Paint(<0.25, 0.50, 0.22>) }
#end
#macro Tree(X, Z, S)
    union {
        cylinder { <X, 0, Z>, <X, 1.6 * S, Z>, 0.15 * S Paint(WoodDark) }
        sphere { <X, 2.2 * S, Z>, 0.9 * S Paint(<0.22, 0.48, 0.20>) }
        sphere { <X + 0.3 * S, 2.7 * S, Z - 0.2 * S>, 0.6 * S Paint(<0.28, 0.55, 0.24>) }
    }
#end

// A house of n floors; the levels of an apartment grow from it.
#macro House(Wd, Dp, Floors, WallC, RoofC)
    #local H = Floors * 1.5 + 0.3;
    union {
        Walls(-Wd / 2, -Dp / 2, Wd / 2, Dp / 2, H, WallC)
        Gable(-Wd / 2, -Dp / 2, Wd / 2, Dp / 2, H, 1.3, RoofC)
        Door(0, -Dp / 2, 0.7, 1.2, WoodDark)
        #local F = 0; #while (F < Floors)
            #if (F > 0) FrontWindow(0, 0.5 + F * 1.5, -Dp / 2, 0.6, 0.8) #end
            FrontWindow(-Wd / 2 + 0.8, 0.5 + F * 1.5, -Dp / 2, 0.6, 0.8)
            FrontWindow(Wd / 2 - 0.8, 0.5 + F * 1.5, -Dp / 2, 0.6, 0.8)
            SideWindow(-Wd / 2, 0.5 + F * 1.5, 0, 0.7, 0.8)
            #local F = F + 1; #end
        Chimney(Wd / 4, H + 0.3, 0.4)
    }
#end

#declare Lot = union {
    box { <-3, 0, -3>, <3, 0.06, 3> Paint(<0.60, 0.48, 0.32>) }
    #local I = 0; #while (I < 4)
        #local A = I * 90;
        cylinder { <0, 0, 0>, <0, 0.9, 0>, 0.07 Paint(Wood) translate <2.6, 0, 2.6> rotate y * A }
        #local I = I + 1; #end
    box { <-2.6, 0.55, -2.63>, <2.6, 0.62, -2.57> Paint(<0.95, 0.85, 0.3>) }
    box { <-2.63, 0.55, -2.6>, <-2.57, 0.62, 2.6> Paint(<0.95, 0.85, 0.3>) }
}

#switch (Model)
// 0: an empty building place: a levelled lot with stakes and a tape.
#case (0) object { Lot } #break
// 1: the town hall, with its clock tower.
#case (1)
    union {
        Walls(-3.2, -2.2, 3.2, 2.2, 3.4, WallWhite)
        Gable(-3.2, -2.2, 3.2, 2.2, 3.4, 1.6, RoofSlate)
        box { <-0.9, 0, -2.6>, <0.9, 3.9, -2.2> Paint(WallWhite) }
        box { <-1.05, 3.9, -2.85>, <1.05, 4.15, -2.2> Paint(WallWhite) }
        #local C = 0; #while (C < 4) cylinder { <-0.7 + C * 0.47, 0, -2.75>, <-0.7 + C * 0.47, 3.1, -2.75>, 0.12 Paint(WallWhite) } #local C = C + 1; #end
        box { <-1, 0, -3.0>, <1, 0.2, -2.2> Paint(Stone) }
        Door(0, -2.2, 0.9, 1.7, WoodDark)
        FrontWindow(-2.2, 0.7, -2.2, 0.7, 1.0) FrontWindow(2.2, 0.7, -2.2, 0.7, 1.0)
        FrontWindow(-2.2, 2.2, -2.2, 0.7, 0.8) FrontWindow(2.2, 2.2, -2.2, 0.7, 0.8)
        SideWindow(-3.2, 0.7, -1, 0.7, 1.0) SideWindow(-3.2, 0.7, 1, 0.7, 1.0)
        SideWindow(-3.2, 2.2, -1, 0.7, 0.8) SideWindow(-3.2, 2.2, 1, 0.7, 0.8)
        // The clock tower.
        box { <-0.8, 4.2, -0.8>, <0.8, 6.6, 0.8> Paint(WallWhite) }
        cylinder { <0, 5.6, -0.8>, <0, 5.6, -0.85>, 0.55 Paint(<0.98, 0.97, 0.9>) }
        box { <-0.03, 5.55, -0.9>, <0.03, 5.95, -0.86> Paint(<0.1, 0.1, 0.1>) }
        box { <-0.03, 5.57, -0.9>, <0.35, 5.63, -0.86> Paint(<0.1, 0.1, 0.1>) }
        cylinder { <-0.8, 5.6, 0>, <-0.85, 5.6, 0>, 0.55 Paint(<0.98, 0.97, 0.9>) }
        cone { <0, 6.6, 0>, 1.2, <0, 8.2, 0>, 0 Paint(RoofSlate) }
        cylinder { <0, 8.2, 0>, <0, 8.9, 0>, 0.04 Paint(Gold) }
        // A flag.
        box { <0, 8.5, 0>, <0.7, 8.85, 0.02> Paint(<0.2, 0.35, 0.7>) }
        Bush(-3.6, -2.6, 0.5) Bush(3.6, -2.6, 0.5)
    }
#break
// 2-5: the apartments, a cottage growing to a town house.
#case (2) union { House(3.4, 3.0, 1, WallCream, RoofRed) Fence(-2.6, 2.6, -2.7) Bush(2.2, -1.9, 0.4) } #break
#case (3) union { House(4.2, 3.4, 2, WallBlue, RoofSlate) Fence(-2.8, 2.8, -2.7) Bush(-2.4, -2.0, 0.45) Bush(2.4, -2.0, 0.4) } #break
#case (4)
    union {
        House(4.4, 3.8, 3, WallBrick, RoofSlate)
        box { <-1.0, 0, -2.6>, <1.0, 0.15, -1.9> Paint(Stone) }
        Bush(-2.5, -2.3, 0.5) Bush(2.5, -2.3, 0.5) Tree(2.4, 2.0, 0.8)
    }
#break
#case (5)
    union {
        House(5.2, 4.0, 4, WallWhite, RoofGreen)
        // Corner tower with a pointed roof.
        cylinder { <-2.6, 0, -2.0>, <-2.6, 6.6, -2.0>, 0.9 Paint(WallWhite) }
        cone { <-2.6, 6.6, -2.0>, 1.15, <-2.6, 8.4, -2.0>, 0 Paint(RoofGreen) }
        FrontWindow(-2.6, 2.3, -2.9, 0.5, 0.8) FrontWindow(-2.6, 3.8, -2.9, 0.5, 0.8) FrontWindow(-2.6, 5.3, -2.9, 0.5, 0.8)
        box { <-1.2, 1.6, -2.6>, <1.2, 1.7, -2.0> Paint(WallWhite) }
        Fence(-2.9, 2.9, -2.9) Tree(2.5, 2.2, 0.9)
    }
#break
// 6, 7: the general store and the department store.
#case (6)
    union {
        Walls(-2.4, -2.0, 2.4, 2.0, 2.4, Wood)
        box { <-2.5, 2.4, -2.1>, <2.5, 3.4, -1.9> Paint(Wood) }   // the false front
        box { <-2.0, 2.6, -2.15>, <2.0, 3.2, -2.1> Paint(WallCream) }
        Gable(-2.4, -1.9, 2.4, 2.0, 2.4, 1.0, RoofBrown)
        // Striped awning.
        #local S = 0; #while (S < 8)
            box { <-2.4 + S * 0.6, 1.7, -2.9>, <-2.1 + S * 0.6, 1.8, -2.0> Paint(<0.9, 0.9, 0.85>) }
            box { <-2.1 + S * 0.6, 1.7, -2.9>, <-1.8 + S * 0.6, 1.8, -2.0> Paint(<0.2, 0.55, 0.3>) }
            #local S = S + 1; #end
        FrontWindow(-1.4, 0.5, -2.0, 1.1, 0.9) FrontWindow(1.4, 0.5, -2.0, 1.1, 0.9)
        Door(0, -2.0, 0.8, 1.4, WoodDark)
        box { <-2.2, 0, -2.7>, <-1.6, 0.6, -2.3> Paint(Wood) }   // crates
        box { <1.7, 0, -2.8>, <2.3, 0.5, -2.3> Paint(Wood) }
    }
#break
#case (7)
    union {
        Walls(-2.8, -2.2, 2.8, 2.2, 3.6, WallBrick)
        box { <-2.9, 3.6, -2.3>, <2.9, 4.0, 2.3> Paint(WallCream) }
        #local S = 0; #while (S < 9)
            box { <-2.7 + S * 0.6, 1.8, -3.0>, <-2.4 + S * 0.6, 1.9, -2.2> Paint(<0.9, 0.9, 0.85>) }
            box { <-2.4 + S * 0.6, 1.8, -3.0>, <-2.1 + S * 0.6, 1.9, -2.2> Paint(<0.25, 0.35, 0.7>) }
            #local S = S + 1; #end
        FrontWindow(-1.8, 0.4, -2.2, 1.3, 1.1) FrontWindow(1.8, 0.4, -2.2, 1.3, 1.1)
        FrontWindow(-1.8, 2.3, -2.2, 0.8, 0.9) FrontWindow(0, 2.3, -2.2, 0.8, 0.9) FrontWindow(1.8, 2.3, -2.2, 0.8, 0.9)
        SideWindow(-2.8, 2.3, -1, 0.8, 0.9) SideWindow(-2.8, 2.3, 1, 0.8, 0.9)
        Door(0, -2.2, 0.9, 1.5, WoodDark)
    }
#break
// 8: the saloon, with a balcony.
#case (8)
    union {
        Walls(-2.6, -2.0, 2.6, 2.0, 3.4, <0.70, 0.45, 0.25>)
        box { <-2.7, 3.4, -2.1>, <2.7, 4.4, -1.9> Paint(<0.70, 0.45, 0.25>) }
        box { <-2.0, 3.6, -2.15>, <2.0, 4.2, -2.1> Paint(<0.95, 0.85, 0.4>) }
        box { <-2.6, 1.7, -2.9>, <2.6, 1.85, -2.0> Paint(WoodDark) }
        #local P = 0; #while (P < 5) cylinder { <-2.5 + P * 1.25, 0, -2.85>, <-2.5 + P * 1.25, 2.5, -2.85>, 0.08 Paint(WoodDark) } #local P = P + 1; #end
        box { <-2.6, 2.4, -2.9>, <2.6, 2.5, -2.85> Paint(WoodDark) }
        FrontWindow(-1.6, 2.1, -2.0, 0.7, 0.9) FrontWindow(1.6, 2.1, -2.0, 0.7, 0.9)
        box { <-0.6, 0, -2.05>, <0.6, 1.3, -2.0> Paint(<0.85, 0.7, 0.4>) }   // swing doors
        FrontWindow(-1.7, 0.5, -2.0, 0.8, 0.8) FrontWindow(1.7, 0.5, -2.0, 0.8, 0.8)
        cylinder { <-2.3, 0, -3.1>, <-2.3, 0.7, -3.1>, 0.3 Paint(Wood) }   // barrels
        cylinder { <2.3, 0, -3.1>, <2.3, 0.7, -3.1>, 0.3 Paint(Wood) }
    }
#break
// 9: the water tower.
#case (9)
    union {
        #local L = 0; #while (L < 4)
            cylinder { <1.4, 0, 1.4>, <0.9, 4.5, 0.9>, 0.15 Paint(WoodDark) rotate y * L * 90 }
            #local L = L + 1; #end
        box { <-1.4, 2.0, -1.4>, <1.4, 2.1, 1.4> Paint(WoodDark) }
        cylinder { <0, 4.5, 0>, <0, 7.0, 0>, 1.7 Paint(Wood) }
        #local B = 0; #while (B < 3) torus { 1.72, 0.05 translate y * (4.8 + B * 0.9) Paint(<0.25, 0.25, 0.28>) } #local B = B + 1; #end
        cone { <0, 7.0, 0>, 1.95, <0, 8.2, 0>, 0.1 Paint(RoofSlate) }
        cylinder { <0.8, 0, -0.6>, <0.8, 4.5, -0.6>, 0.12 Paint(<0.4, 0.42, 0.46>) }
        Bush(-2.3, -2.2, 0.5)
    }
#break
// 10: the doctor's house, white with a red cross.
#case (10)
    union {
        House(4.2, 3.4, 2, WallWhite, RoofRed)
        box { <-0.45, 3.45, -1.81>, <0.45, 3.65, -1.75> Paint(<0.8, 0.1, 0.1>) }
        box { <-0.1, 3.1, -1.81>, <0.1, 4.0, -1.75> Paint(<0.8, 0.1, 0.1>) }
        box { <-0.8, 0, -2.4>, <0.8, 0.15, -1.7> Paint(Stone) }
        Bush(-2.5, -2.1, 0.45) Tree(2.4, 1.8, 0.8)
    }
#break
// 11, 12: the lumber mill, then with a steam engine.
#case (11) #case (12)
    union {
        Walls(-2.6, -1.6, 1.2, 1.6, 2.4, Wood)
        Gable(-2.6, -1.6, 1.2, 1.6, 2.4, 1.2, RoofBrown)
        box { <-2.0, 0, -1.62>, <-0.4, 1.8, -1.58> Paint(WoodDark) }
        // The log pile and the saw.
        #local Lg = 0; #while (Lg < 3)
            cylinder { <1.6, 0.3 + Lg * 0.5, -2.4 + Lg * 0.25>, <1.6, 0.3 + Lg * 0.5, 0.4 + Lg * 0.2>, 0.28 Paint(<0.62, 0.44, 0.26>) }
            cylinder { <2.2, 0.3 + Lg * 0.5, -2.3 + Lg * 0.25>, <2.2, 0.3 + Lg * 0.5, 0.4>, 0.28 Paint(<0.58, 0.40, 0.22>) }
            #local Lg = Lg + 1; #end
        cylinder { <-1.2, 1.2, -2.0>, <-1.2, 1.2, -1.9>, 0.6 Shiny(<0.75, 0.76, 0.8>) }
        box { <-2.4, 0, -2.6>, <0, 0.8, -1.6> Paint(WoodDark) }
        #if (Model = 12)
            cylinder { <-2.0, 2.0, 1.0>, <-2.0, 5.8, 1.0>, 0.3 Paint(<0.3, 0.3, 0.32>) }
            torus { 0.32, 0.08 translate <-2.0, 5.8, 1.0> Paint(<0.3, 0.3, 0.32>) }
            cylinder { <-2.6, 0.5, 2.0>, <0.4, 0.5, 2.0>, 0.5 Shiny(<0.2, 0.22, 0.25>) }
            box { <-2.6, 0, 1.7>, <0.4, 0.3, 2.3> Paint(WoodDark) }
        #else
            box { <-1.0, 0, 1.6>, <0.8, 1.3, 2.6> Paint(<0.62, 0.44, 0.26>) }
        #end
    }
#break
// 13: the gold mine: a timbered entrance in a rock and a cart on rails.
#case (13)
    union {
        blob { threshold 0.5
            sphere { <0.5, 0, 1.2>, 3.4, 1 } sphere { <-1.8, 0, 1.8>, 2.6, 1 } sphere { <2.2, 0, 1.0>, 2.4, 1 }
            Paint(<0.55, 0.48, 0.40>) }
        box { <-0.9, 0, -1.4>, <0.9, 1.9, -0.2> Paint(<0.08, 0.06, 0.05>) }
        box { <-1.1, 0, -1.5>, <-0.8, 2.1, -1.2> Paint(Wood) }
        box { <0.8, 0, -1.5>, <1.1, 2.1, -1.2> Paint(Wood) }
        box { <-1.2, 1.9, -1.55>, <1.2, 2.2, -1.2> Paint(Wood) }
        box { <-0.5, 0.01, -3.0>, <-0.4, 0.06, -1.3> Shiny(<0.5, 0.5, 0.55>) }
        box { <0.4, 0.01, -3.0>, <0.5, 0.06, -1.3> Shiny(<0.5, 0.5, 0.55>) }
        box { <-0.6, 0.3, -2.8>, <0.6, 0.9, -2.0> Paint(<0.35, 0.33, 0.32>) }
        #local N = 0; #while (N < 5) sphere { <-0.35 + N * 0.18, 0.92, -2.4 + mod(N, 2) * 0.2>, 0.16 Shiny(Gold) } #local N = N + 1; #end
        Tree(-2.6, -0.8, 0.7)
    }
#break
// 14: the railway station.
#case (14)
    union {
        Walls(-2.8, -1.2, 2.8, 1.8, 2.8, <0.85, 0.72, 0.45>)
        Gable(-2.8, -1.2, 2.8, 1.8, 2.8, 1.3, RoofRed)
        box { <-3.0, 0, -2.8>, <3.0, 0.3, -1.2> Paint(Stone) }        // the platform
        box { <-3.0, 2.3, -2.7>, <3.0, 2.4, -1.2> Paint(RoofRed) }      // its canopy
        #local P = 0; #while (P < 4) cylinder { <-2.7 + P * 1.8, 0.3, -2.55>, <-2.7 + P * 1.8, 2.3, -2.55>, 0.07 Paint(WoodDark) } #local P = P + 1; #end
        FrontWindow(-1.8, 0.9, -1.2, 0.8, 1.0) FrontWindow(1.8, 0.9, -1.2, 0.8, 1.0)
        Door(0, -1.2, 0.9, 1.8, WoodDark)
        box { <-0.9, 2.45, -1.3>, <0.9, 2.85, -1.25> Paint(WallWhite) }
        cylinder { <0, 3.5, -1.25>, <0, 3.5, -1.3>, 0.35 Paint(WallWhite) }
        box { <2.2, 0.3, -2.4>, <2.7, 0.8, -2.0> Paint(Wood) }
    }
#break
// 15: the bandstand.
#case (15)
    union {
        cylinder { <0, 0, 0>, <0, 0.6, 0>, 2.6 Paint(WallWhite) }
        #local P = 0; #while (P < 8) cylinder { <2.3, 0.6, 0>, <2.3, 3.0, 0>, 0.1 Paint(WallWhite) rotate y * P * 45 } #local P = P + 1; #end
        cone { <0, 3.0, 0>, 2.9, <0, 4.6, 0>, 0 Paint(<0.2, 0.45, 0.55>) }
        sphere { <0, 4.7, 0>, 0.2 Shiny(Gold) }
        torus { 2.3, 0.06 translate y * 1.3 Paint(WallWhite) }
        // Music stands.
        #local M = 0; #while (M < 3) cylinder { <-0.8 + M * 0.8, 0.6, 0.3>, <-0.8 + M * 0.8, 1.4, 0.3>, 0.04 Paint(<0.1, 0.1, 0.1>) } #local M = M + 1; #end
        Bush(-2.9, -1.8, 0.45) Bush(2.9, -1.8, 0.45) Tree(-2.4, 2.4, 0.7)
    }
#break
// 16-20: by the road: a boulder, a fallen tree, wood and gold piles, a wagon.
#case (16)
    blob { threshold 0.5 sphere { <0, 0.3, 0>, 1.8, 1 } sphere { <0.7, 0.2, 0.4>, 1.4, 1 } sphere { <-0.6, 0.1, -0.3>, 1.2, 1 }
        Paint(<0.56, 0.55, 0.52>) }
#break
#case (17)
    union {
        cylinder { <-2.2, 0.35, -0.4>, <1.8, 0.35, 0.5>, 0.35 Paint(<0.45, 0.32, 0.20>) }
        sphere { <2.2, 0.8, 0.8>, 0.9 Paint(<0.28, 0.48, 0.22>) }
        sphere { <1.6, 0.6, 1.2>, 0.6 Paint(<0.30, 0.52, 0.25>) }
        cylinder { <-2.2, 0.35, -0.4>, <-2.25, 0.35, -0.41>, 0.33 Paint(<0.80, 0.66, 0.45>) }
    }
#break
#case (18)
    union {
        #local Lg = 0; #while (Lg < 6)
            #local R = (Lg < 3 ? 0 : (Lg < 5 ? 1 : 2));
            #local C = (Lg < 3 ? Lg : (Lg < 5 ? Lg - 3 + 0.5 : 1));
            cylinder { <-1.1, 0.25 + R * 0.42, -0.9 + C * 0.52>, <1.1, 0.25 + R * 0.42, -0.9 + C * 0.52>, 0.24
                Paint(<0.62 - 0.04 * mod(Lg, 2), 0.44, 0.26>) }
            #local Lg = Lg + 1; #end
    }
#break
#case (19)
    union {
        #local N = 0; #while (N < 9)
            sphere { <-0.6 + mod(N, 3) * 0.6, 0.22 + (N > 5 ? 0.3 : 0), -0.6 + div(N, 3) * 0.5>, 0.3 Shiny(Gold) }
            #local N = N + 1; #end
        box { <-1.2, 0, -1.0>, <1.2, 0.12, 1.0> Paint(<0.5, 0.4, 0.3>) }
    }
#break
#case (20)
    union {
        box { <-1.8, 0.6, -0.9>, <1.8, 1.3, 0.9> Paint(Wood) }
        intersection {
            cylinder { <-1.7, 1.3, 0>, <1.7, 1.3, 0>, 1.3 }
            box { <-1.7, 1.3, -1.3>, <1.7, 2.7, 1.3> }
            Paint(<0.95, 0.93, 0.86>)
        }
        #local Wh = 0; #while (Wh < 4)
            torus { 0.55, 0.07 rotate x * 90 translate <-1.2 + div(Wh, 2) * 2.4, 0.55, -1.0 + mod(Wh, 2) * 2.0> Paint(WoodDark) }
            #local Wh = Wh + 1; #end
        cylinder { <1.8, 0.6, 0>, <3.0, 0.3, 0>, 0.06 Paint(WoodDark) }
    }
#break
#end
