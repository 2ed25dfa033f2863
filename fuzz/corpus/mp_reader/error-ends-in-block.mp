Cell length 1 km
Pop 1,0,0
Pop 2,1,1
Migration
Pop. ALL
y
y
Pop. 1
1
