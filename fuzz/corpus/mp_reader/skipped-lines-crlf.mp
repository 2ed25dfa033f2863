Cell length 1 km
Pop 1,1,1
Pop 2,2,2
Migration
Pop. ALL
a
b

Pop. 2
x

    
 4.5 9
  6
Pop. 1
1e3
-
7 
