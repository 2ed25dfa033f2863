Cell length 1 km
Pop 1,0,0
Migration
Pop. ALL
y
Pop. 9
1
