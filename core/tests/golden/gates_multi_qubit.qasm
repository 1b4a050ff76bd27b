OPENQASM 3.0;
qubit[3] q;
cnot q[0], q[1];
cnot q[1], q[2];
cy q[2], q[0];
cz q[0], q[2];
swap q[1], q[0];
ccnot q[0], q[1], q[2];
ccnot q[2], q[1], q[0];
xx(0.5) q[0], q[1];
yy(1.0) q[1], q[2];
zz(-0.25) q[2], q[0];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
