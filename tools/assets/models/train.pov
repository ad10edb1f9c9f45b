// The town's train: a small steam engine with a tender and two goods wagons,
// Declare=Facing=1 running to the screen's right, -1 to its left. The same
// camera as the buildings, at the same scale; the train runs along the
// screen's horizontal, which is the ground's diagonal.
#version 3.7;
global_settings { assumed_gamma 1.0 }
#ifndef (Facing) #declare Facing = 1; #end
#ifndef (Ground) #declare Ground = 0; #end

camera {
    orthographic
    location <-14, 14, -14> * 2
    look_at <0, 1.2, 0>
    right x * 22
    up y * 5.5
}
light_source { <-60, 110, -35> color rgb <1.0, 0.96, 0.88> * 1.25 }
light_source { <50, 40, -70> color rgb <0.45, 0.5, 0.6> * 0.45 shadowless }
background { color rgbt <0, 0, 0, 1> }
#if (Ground)
    plane { y, 0 pigment { color rgb 1 } finish { diffuse 0.8 ambient 0.2 } }
#end

#macro Paint(C) pigment { color rgb C } finish { ambient 0.15 diffuse 0.8 specular 0.2 roughness 0.05 } #end
#declare Black = <0.12, 0.12, 0.14>;
#declare Green = <0.16, 0.40, 0.26>;
#declare Red = <0.62, 0.18, 0.14>;
#declare Brass = <0.85, 0.66, 0.25>;

#macro Wheels(X0, X1, N)
    #local I = 0; #while (I < N)
        #local X = X0 + (X1 - X0) * I / max(N - 1, 1);
        cylinder { <X, 0.35, -0.62>, <X, 0.35, -0.52>, 0.35 Paint(Red) }
        cylinder { <X, 0.35, 0.52>, <X, 0.35, 0.62>, 0.35 Paint(Red) }
        #local I = I + 1; #end
#end

#declare Engine = union {
    cylinder { <-1.6, 1.2, 0>, <1.2, 1.2, 0>, 0.55 Paint(Green) }
    cylinder { <1.2, 1.2, 0>, <1.3, 1.2, 0>, 0.5 Paint(Black) }
    cylinder { <0.9, 1.6, 0>, <0.9, 2.5, 0>, 0.16 Paint(Black) }
    cone { <0.9, 2.5, 0>, 0.16, <0.9, 2.8, 0>, 0.3 Paint(Black) }
    sphere { <-0.2, 1.75, 0>, 0.22 Paint(Brass) }
    box { <-2.8, 0.7, -0.65>, <-1.6, 2.3, 0.65> Paint(Green) }
    box { <-2.95, 2.3, -0.75>, <-1.45, 2.45, 0.75> Paint(Black) }
    box { <-2.6, 1.5, -0.66>, <-1.9, 2.0, -0.64> Paint(<0.4, 0.55, 0.7>) }
    box { <-2.9, 0.55, -0.6>, <1.3, 0.7, 0.6> Paint(Black) }
    prism { linear_sweep linear_spline -0.55, 0.55, 4, <1.3, 0.1>, <2.0, 0.1>, <1.3, 0.7>, <1.3, 0.1> rotate x * -90 Paint(Red) }
    Wheels(-2.3, 0.8, 3)
    sphere { <1.32, 1.5, 0>, 0.12 pigment { color rgb <1, 0.95, 0.7> } finish { ambient 0.8 } }
}
#declare Tender = union {
    box { <-1.2, 0.6, -0.6>, <1.2, 1.6, 0.6> Paint(Green) }
    box { <-1.0, 1.6, -0.45>, <1.0, 1.85, 0.45> Paint(Black) }
    Wheels(-0.7, 0.7, 2)
}
#macro Wagon(C, Cargo)
    union {
        box { <-1.5, 0.6, -0.65>, <1.5, 1.7, 0.65> Paint(C) }
        box { <-1.55, 0.55, -0.7>, <1.55, 0.7, 0.7> Paint(Black) }
        #if (Cargo = 1)
            #local L = 0; #while (L < 3) cylinder { <-1.4, 1.9 + L * 0.0, -0.4 + L * 0.4>, <1.4, 1.9, -0.4 + L * 0.4>, 0.2 Paint(<0.62, 0.44, 0.26>) } #local L = L + 1; #end
        #else
            box { <-1.4, 1.7, -0.55>, <1.4, 1.95, 0.55> Paint(<0.5, 0.45, 0.4>) }
            #local N = 0; #while (N < 5) sphere { <-1.0 + N * 0.5, 1.98, 0>, 0.18 pigment { color rgb <0.95, 0.74, 0.2> } finish { ambient 0.2 specular 0.6 } } #local N = N + 1; #end
        #end
        Wheels(-1.0, 1.0, 2)
    }
#end

#declare Train = union {
    object { Engine translate x * 5.6 }
    object { Tender translate x * 2.3 }
    object { Wagon(<0.55, 0.35, 0.2>, 1) translate x * -0.9 }
    object { Wagon(<0.35, 0.4, 0.55>, 2) translate x * -4.3 }
    translate x * -0.85
}
// Screen right is the ground's (1, 0, -1): the train's +x turned by 45 degrees.
object { Train scale <Facing, 1, 1> rotate y * 45 }
